#include "framework/platform/PlatformPictures.h"

#include <SDL.h>
#include <SDL_image.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

namespace glintwork {

namespace {

int RowStride(int width)
{
    return (3 * width + 3) & ~3;
}

bool FitsSink(int64_t width, int64_t height, const PictureSink& sink)
{
    return width >= 1 && height >= 1 && width <= sink.maxSide && height <= sink.maxSide &&
           uint64_t(RowStride(int(width))) * uint64_t(height) <= sink.maxBytes;
}

// Tells the sink that the source has given a picture: a failure from here on
// is a late one.
void Begin(const PictureSink& sink)
{
    if (sink.begin)
        sink.begin(sink.context);
}

// Gets a buffer for a width x height picture from the sink, or null.
unsigned char* Allocate(int width, int height, const PictureSink& sink)
{
    if (!FitsSink(width, height, sink))
        return nullptr;
    return sink.allocate(sink.context, width, height, RowStride(width));
}

// Turns the top-down rows in `pixels` bottom-up and zeroes the row padding.
void FinishRows(unsigned char* pixels, int width, int height)
{
    size_t stride = size_t(RowStride(width));
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels + top * stride, pixels + (top + 1) * stride, pixels + bottom * stride);
    for (int y = 0; y < height; ++y)
        memset(pixels + y * stride + 3 * size_t(width), 0, stride - 3 * size_t(width));
}

// Hands a decoded surface to the sink, blended over white.
bool Deliver(SDL_Surface* surface, const PictureSink& sink)
{
    if (!surface)
        return false;
    Begin(sink);
    int width = surface->w, height = surface->h;
    unsigned char* pixels = Allocate(width, height, sink);
    bool ok = pixels != nullptr;
    if (ok) {
        memset(pixels, 255, size_t(RowStride(width)) * size_t(height));
        SDL_Surface* target =
            SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 24, RowStride(width), SDL_PIXELFORMAT_BGR24);
        ok = target && SDL_BlitSurface(surface, nullptr, target, nullptr) == 0;
        SDL_FreeSurface(target);
        if (ok)
            FinishRows(pixels, width, height);
    }
    SDL_FreeSurface(surface);
    return ok;
}

}  // namespace

// The signatures the decoders' own checks look for first. Those checks are
// not asked: the JPEG one walks the whole file with a seek for every byte of
// scan data and fill, which takes seconds on a large file; the picture
// checks walk the file instead, through a buffer.
const char* PlatformPictureKind(FILE* file)
{
    unsigned char magic[6] = {};
    const off_t start = ftello(file);
    const size_t got = start < 0 ? 0 : fread(magic, 1, sizeof magic, file);
    if (start < 0 || fseeko(file, start, SEEK_SET) != 0)
        return nullptr;
    if (got >= 4 && memcmp(magic, "\x89PNG", 4) == 0)
        return "PNG";
    if (got >= 4 && memcmp(magic, "qoif", 4) == 0)
        return "QOI";
    if (got >= 2 && magic[0] == 0xFF && magic[1] == 0xD8)
        return "JPG";
    if (got >= 6 && (memcmp(magic, "GIF87a", 6) == 0 || memcmp(magic, "GIF89a", 6) == 0))
        return "GIF";
    return nullptr;
}

bool PlatformDecodeBitmap(FILE* file, const PictureSink& sink)
{
    SDL_RWops* rw = SDL_RWFromFP(file, SDL_TRUE);
    if (!rw) {
        fclose(file);
        return false;
    }
    return Deliver(SDL_LoadBMP_RW(rw, 1), sink);
}

bool PlatformDecodePicture(FILE* file, const char* kind, const PictureSink& sink)
{
    // Each kind's own decoder, so that no other kind's check reads the file
    // first.
    SDL_Surface* (*decode)(SDL_RWops*) = !kind                      ? nullptr
                                         : strcmp(kind, "PNG") == 0 ? IMG_LoadPNG_RW
                                         : strcmp(kind, "QOI") == 0 ? IMG_LoadQOI_RW
                                         : strcmp(kind, "JPG") == 0 ? IMG_LoadJPG_RW
                                         : strcmp(kind, "GIF") == 0 ? IMG_LoadGIF_RW
                                                                    : nullptr;
    SDL_RWops* rw = decode ? SDL_RWFromFP(file, SDL_TRUE) : nullptr;
    if (!rw) {
        fclose(file);
        return false;
    }
    SDL_Surface* surface = decode(rw);
    SDL_RWclose(rw);
    return Deliver(surface, sink);
}

namespace {

// An SDL stream that appends everything written to a byte vector.
size_t AppendBytes(SDL_RWops* stream, const void* data, size_t size, size_t count)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(stream->hidden.unknown.data1);
    const auto* from = static_cast<const unsigned char*>(data);
    bytes->insert(bytes->end(), from, from + size * count);
    return count;
}

Sint64 NoSize(SDL_RWops*)
{
    return -1;
}

Sint64 NoSeek(SDL_RWops*, Sint64, int)
{
    return -1;
}

size_t NoRead(SDL_RWops*, void*, size_t, size_t)
{
    return 0;
}

int FreeStream(SDL_RWops* stream)
{
    SDL_FreeRW(stream);
    return 0;
}

}  // namespace

bool PlatformEncodePicture(const char* kind, const unsigned char* rows, int width, int height, int rowStride,
                           int quality, std::vector<unsigned char>& out)
{
    out.clear();
    const bool png = strcmp(kind, "PNG") == 0;
    if (!png && strcmp(kind, "JPG") != 0)
        return false;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<unsigned char*>(rows), width, height, 24,
                                                              rowStride, SDL_PIXELFORMAT_RGB24);
    if (!surface)
        return false;
    SDL_RWops* stream = SDL_AllocRW();
    bool encoded = false;
    if (stream) {
        memset(stream, 0, sizeof *stream);
        stream->type = SDL_RWOPS_UNKNOWN;
        stream->size = NoSize;
        stream->seek = NoSeek;
        stream->read = NoRead;
        stream->write = AppendBytes;
        stream->close = FreeStream;
        stream->hidden.unknown.data1 = &out;
        encoded = (png ? IMG_SavePNG_RW(surface, stream, 1) : IMG_SaveJPG_RW(surface, stream, 1, quality)) == 0;
    }
    SDL_FreeSurface(surface);
    if (!encoded || out.empty()) {
        out.clear();
        return false;
    }
    return true;
}

namespace {

int g_xError = 0;

int RecordXError(Display*, XErrorEvent* event)
{
    g_xError = event->error_code;
    return 0;
}

// A channel of an X pixel, scaled to 8 bits.
unsigned char Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = __builtin_ctzl(mask);
    unsigned long max = mask >> shift;
    return static_cast<unsigned char>(((pixel & mask) >> shift) * 255 / max);
}

}  // namespace

bool PlatformGrabScreen(const PictureSink& sink)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    Begin(sink);
    int screen = DefaultScreen(display);
    int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
    XImage* shot = nullptr;
    if (FitsSink(width, height, sink)) {
        g_xError = 0;
        XErrorHandler previous = XSetErrorHandler(RecordXError);
        shot = XGetImage(display, RootWindow(display, screen), 0, 0, unsigned(width), unsigned(height), AllPlanes,
                         ZPixmap);
        XSync(display, False);
        XSetErrorHandler(previous);
        if (g_xError != 0 && shot) {
            XDestroyImage(shot);
            shot = nullptr;
        }
    }
    unsigned char* pixels = shot ? Allocate(width, height, sink) : nullptr;
    if (pixels) {
        size_t stride = size_t(RowStride(width));
        for (int y = 0; y < height; ++y) {
            unsigned char* row = pixels + size_t(y) * stride;
            for (int x = 0; x < width; ++x) {
                unsigned long pixel = XGetPixel(shot, x, y);
                row[3 * x] = Channel(pixel, shot->blue_mask);
                row[3 * x + 1] = Channel(pixel, shot->green_mask);
                row[3 * x + 2] = Channel(pixel, shot->red_mask);
            }
        }
        FinishRows(pixels, width, height);
    }
    if (shot)
        XDestroyImage(shot);
    XCloseDisplay(display);
    return pixels != nullptr;
}

}  // namespace glintwork
