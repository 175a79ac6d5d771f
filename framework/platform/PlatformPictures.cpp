#include "PlatformPictures.h"
#include "PlatformFiles.h"

#include <SDL.h>
#include <SDL_image.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

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

// The system's decoders first decode into a picture of their own, of up to
// 4 bytes a pixel, which must fit the sink's limit as well.
bool DecoderFits(int64_t width, int64_t height, const PictureSink& sink)
{
    return FitsSink(width, height, sink) && 4 * uint64_t(width) * uint64_t(height) <= sink.maxBytes;
}

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

uint32_t LE16(const unsigned char* p)
{
    return uint32_t(p[0] | p[1] << 8);
}
uint32_t LE32(const unsigned char* p)
{
    return LE16(p) | LE16(p + 2) << 16;
}
uint32_t BE16(const unsigned char* p)
{
    return uint32_t(p[0] << 8 | p[1]);
}
uint32_t BE32(const unsigned char* p)
{
    return BE16(p) << 16 | BE16(p + 2);
}

// Whether the system's BMP loader may be given this file: the size it claims
// fits the sink, and the palette and uncompressed rows lie within the file.
// (The loader allocates the whole picture before it reads a row.)
bool BitmapHeaderFits(FILE* file, uint64_t fileSize, const PictureSink& sink)
{
    unsigned char h[54] = {};
    size_t got = fread(h, 1, sizeof h, file);
    if (got < 26 || h[0] != 'B' || h[1] != 'M')
        return false;
    uint32_t infoSize = LE32(h + 14);
    int64_t width, height;
    uint32_t bits, compression = 0, colours = 0, entrySize = 4;
    if (infoSize == 12) {
        width = LE16(h + 18);
        height = LE16(h + 20);
        bits = LE16(h + 24);
        entrySize = 3;
    } else if (infoSize >= 40 && got == sizeof h) {
        width = int32_t(LE32(h + 18));
        height = int32_t(LE32(h + 22));
        bits = LE16(h + 28);
        compression = LE32(h + 30);
        colours = LE32(h + 46);
    } else {
        return false;
    }
    height = height < 0 ? -height : height;
    if (!DecoderFits(width, height, sink))
        return false;
    bool known = compression == 0   ? (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)
                 : compression == 1 ? bits == 8
                 : compression == 2 ? bits == 4
                 : compression == 3 ? (bits == 16 || bits == 32)
                                    : false;
    if (!known)
        return false;
    uint64_t dataOffset = LE32(h + 10);
    if (bits <= 8) {
        uint64_t entries = colours == 0 ? uint64_t(1) << bits : colours;
        if (entries > uint64_t(1) << bits || 14 + uint64_t(infoSize) + entries * entrySize > fileSize)
            return false;
    }
    uint64_t rows =
        (compression == 1 || compression == 2) ? 2 : (uint64_t(width) * bits + 31) / 32 * 4 * uint64_t(height);
    return dataOffset <= fileSize && rows <= fileSize - dataOffset;
}

// The first frame of a picture whose size can be read without decoding it.
struct Claimed {
    const char* type = nullptr;  // the decoder's name
    int64_t width = 0, height = 0;
    uint64_t framePixels = 0;  // of the frame the decoder delivers
    // The most pixels a file of this length can describe, at the best the
    // format's compression can do. A file that claims more is cut short;
    // the decoders would allocate the whole picture and make up the missing
    // pixels, slowly, so such a file is refused before decoding.
    uint64_t maxPixels = 0;

    void SetSize(uint32_t w, uint32_t h)
    {
        width = w;
        height = h;
        framePixels = uint64_t(w) * h;
    }
};

bool ReadAt(FILE* file, uint64_t offset, unsigned char* to, size_t size)
{
    return fseeko(file, off_t(offset), SEEK_SET) == 0 && fread(to, 1, size, file) == size;
}

// Skips the compressed data of a JPEG scan that starts at `at`, up to the
// next marker: 0xFF followed by anything but a stuffed 0, a restart marker or
// more 0xFF. Returns the marker's offset, or the file's length.
uint64_t SkipScanData(FILE* file, uint64_t at, uint64_t fileSize)
{
    if (fseeko(file, off_t(at), SEEK_SET) != 0)
        return fileSize;
    for (int byte = fgetc(file); byte != EOF; ++at, byte = fgetc(file)) {
        if (byte != 0xFF)
            continue;
        int next = fgetc(file);
        for (; next == 0xFF; next = fgetc(file))
            ++at;
        if (next == EOF)
            break;
        if (next != 0 && (next < 0xD0 || next > 0xD7))
            return at;
        ++at;
    }
    return fileSize;
}

// Every scan of a JPEG file goes over all 8 x 8 blocks of the picture, and a
// progressive file can hold thousands of scans of a few bytes each. So many
// block visits take the decoder about a second.
constexpr uint64_t kMaxJpegBlockScans = uint64_t(1) << 28;

// The frame size of a JPEG file, from its first start-of-frame segment, and
// whether its scans can be decoded in reasonable time.
bool JpegSize(FILE* file, uint64_t fileSize, Claimed& c)
{
    uint64_t at = 2, scans = 0;
    bool frame = false;
    unsigned char m[2], seg[7];
    while (at + 4 <= fileSize && ReadAt(file, at, m, 2)) {
        if (m[0] != 0xFF)
            return false;
        int marker = m[1];
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += marker == 0xFF ? 1 : 2;
            continue;
        }
        if (marker == 0xD9)
            break;
        if (!ReadAt(file, at + 2, seg, 2))
            return false;
        bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame && !frame) {
            if (!ReadAt(file, at + 2, seg, sizeof seg))
                return false;
            c.SetSize(BE16(seg + 5), BE16(seg + 3));
            // Huffman-coded frames (baseline, extended, progressive) spend at
            // least one bit on each 8 x 8 block. The arithmetic-coded kinds
            // can describe almost any number of blocks in a few bytes, and
            // the decoder does not take the lossless and hierarchical ones:
            // they are refused.
            if (marker > 0xC2)
                return false;
            c.maxPixels = 512 * fileSize;
            frame = true;
        }
        at += 2 + BE16(seg);
        if (marker == 0xDA) {
            if (!frame)
                return false;
            ++scans;
            at = SkipScanData(file, at, fileSize);
        }
    }
    uint64_t blocks = (uint64_t(c.width) + 7) / 8 * ((uint64_t(c.height) + 7) / 8);
    return frame && scans >= 1 && scans * blocks <= kMaxJpegBlockScans;
}

// Whether the compressed codes of a GIF frame, starting at its code size
// byte, could have come from an encoder: the first code, and the first after
// every reset, is a single pixel, and every other code names an entry of the
// table built so far or the one being built. The decoder takes whatever code
// it is given; a code past the table, or a first code that is none of the
// pixels, can tie its entries into a loop that it follows past the end of its
// own string stack. A frame that is cut short is fine: the decoder stops
// there.
bool GifCodesValid(FILE* file, uint64_t at)
{
    unsigned char block[256];
    if (!ReadAt(file, at++, block, 1) || block[0] < 2 || block[0] > 8)
        return false;
    const int minSize = block[0], clear = 1 << minSize, end = clear + 1;
    int width = minSize + 1, next = clear + 2, widthLimit = 2 * clear;
    bool atStart = true, first = true;
    uint32_t bits = 0;
    int count = 0;
    while (ReadAt(file, at, block, 1) && block[0] != 0) {
        size_t n = block[0];
        if (!ReadAt(file, at + 1, block, n))
            return true;
        at += 1 + n;
        for (size_t i = 0; i < n; ++i) {
            bits |= uint32_t(block[i]) << count;
            for (count += 8; count >= width;) {
                int code = int(bits & ((1u << width) - 1));
                bits >>= width;
                count -= width;
                if (first) {
                    // Resets before the first pixel are skipped; after it,
                    // the decoder takes the code after a reset as a pixel,
                    // whatever it is.
                    if (atStart && code == clear)
                        continue;
                    if (code >= clear)
                        return false;
                    atStart = first = false;
                } else if (code == clear) {
                    width = minSize + 1;
                    next = clear + 2;
                    widthLimit = 2 * clear;
                    first = true;
                } else if (code == end) {
                    return true;
                } else if (code > next) {
                    return false;
                } else if (next < 4096 && ++next >= widthLimit && widthLimit < 4096) {
                    widthLimit *= 2;
                    ++width;
                }
            }
        }
    }
    return true;
}

// The size of the logical screen and of the first frame of a GIF file; the
// larger of each side counts.
bool GifSize(FILE* file, uint64_t fileSize, Claimed& c)
{
    unsigned char h[13], block[10];
    if (!ReadAt(file, 0, h, sizeof h))
        return false;
    c.width = LE16(h + 6);
    c.height = LE16(h + 8);
    uint64_t at = 13 + ((h[10] & 0x80) ? 3u << ((h[10] & 7) + 1) : 0);
    while (at < fileSize && ReadAt(file, at, block, 1)) {
        if (block[0] == 0x2C) {
            if (!ReadAt(file, at, block, sizeof block))
                return false;
            int64_t frameWidth = LE16(block + 5), frameHeight = LE16(block + 7);
            c.width = std::max(c.width, frameWidth);
            c.height = std::max(c.height, frameHeight);
            c.framePixels = uint64_t(frameWidth * frameHeight);
            // The k-th code of a frame stands for at most k pixels and takes
            // at least log2(k) bits; none stands for more than the 4096 of a
            // full table, in 12 bits. So no bit gives more than 4096 / 12
            // pixels.
            c.maxPixels = 4096 * 8 * fileSize / 12 + 1;
            // A frame without pixels makes the decoder ask for gigabytes.
            uint64_t localTable = (block[9] & 0x80) ? 3u << ((block[9] & 7) + 1) : 0;
            return c.framePixels != 0 && GifCodesValid(file, at + 10 + localTable);
        }
        if (block[0] != 0x21)
            return false;
        at += 2;  // introducer and label, then sub-blocks up to an empty one
        for (;;) {
            if (!ReadAt(file, at, block, 1))
                return false;
            at += 1 + block[0];
            if (block[0] == 0)
                break;
        }
    }
    return false;
}

// Whether every chunk of a PNG file lies within the file, up to the closing
// IEND chunk. The PNG decoder does not notice when a read runs past the end
// of the file and would go round for ever on stale bytes, so a file whose
// chunks are cut short is never handed to it.
bool PngChunksComplete(FILE* file, uint64_t fileSize)
{
    unsigned char chunk[8];
    for (uint64_t at = 8; ReadAt(file, at, chunk, sizeof chunk);) {
        uint64_t length = BE32(chunk);
        if (length > 0x7FFFFFFF || at + 12 + length > fileSize)
            return false;
        if (memcmp(chunk + 4, "IEND", 4) == 0)
            return true;
        at += 12 + length;
    }
    return false;
}

// Picks the decoder by the file's contents and reads the size it claims.
bool ClaimedPicture(SDL_RWops* rw, FILE* file, uint64_t fileSize, Claimed& c)
{
    unsigned char h[24];
    if (IMG_isPNG(rw)) {
        c.type = "PNG";
        if (!ReadAt(file, 0, h, sizeof h) || memcmp(h + 12, "IHDR", 4) != 0)
            return false;
        c.SetSize(BE32(h + 16), BE32(h + 20));
        c.maxPixels = 8 * 1032 * fileSize;  // deflate expands at most 1032 times; 1-bit pixels
        return PngChunksComplete(file, fileSize);
    }
    if (IMG_isQOI(rw)) {
        c.type = "QOI";
        if (!ReadAt(file, 0, h, 14))
            return false;
        c.SetSize(BE32(h + 4), BE32(h + 8));
        // After the 14-byte header and before the 8-byte end, a one-byte run
        // stands for at most 62 pixels.
        c.maxPixels = fileSize > 22 ? 62 * (fileSize - 22) : 0;
        return true;
    }
    if (IMG_isJPG(rw)) {
        c.type = "JPG";
        return JpegSize(file, fileSize, c);
    }
    if (IMG_isGIF(rw)) {
        c.type = "GIF";
        return GifSize(file, fileSize, c);
    }
    return false;
}

}  // namespace

bool PlatformLoadBitmap(const char* path, const PictureSink& sink)
{
    uint64_t fileSize = 0;
    FILE* file = PlatformOpenFile(path, &fileSize);
    if (!file)
        return false;
    if (!BitmapHeaderFits(file, fileSize, sink) || fseeko(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return false;
    }
    SDL_RWops* rw = SDL_RWFromFP(file, SDL_TRUE);
    if (!rw) {
        fclose(file);
        return false;
    }
    return Deliver(SDL_LoadBMP_RW(rw, 1), sink);
}

bool PlatformLoadPicture(const char* path, const PictureSink& sink)
{
    uint64_t fileSize = 0;
    FILE* file = PlatformOpenFile(path, &fileSize);
    if (!file)
        return false;
    SDL_RWops* rw = SDL_RWFromFP(file, SDL_TRUE);
    if (!rw) {
        fclose(file);
        return false;
    }
    Claimed claimed;
    if (!ClaimedPicture(rw, file, fileSize, claimed) || !DecoderFits(claimed.width, claimed.height, sink) ||
        claimed.framePixels > claimed.maxPixels || SDL_RWseek(rw, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(rw);
        return false;
    }
    return Deliver(IMG_LoadTyped_RW(rw, 1, claimed.type), sink);
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
