#include "tools/SavePng.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <vector>

#include "framework/platform/PlatformFiles.h"

namespace {

// An SDL stream that appends everything written to a byte vector.
std::size_t AppendBytes(SDL_RWops* stream, const void* data, std::size_t size, std::size_t count)
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

std::size_t NoRead(SDL_RWops*, void*, std::size_t, std::size_t)
{
    return 0;
}

int CloseStream(SDL_RWops* stream)
{
    SDL_FreeRW(stream);
    return 0;
}

}  // namespace

bool SavePng(const Image& image, const char* path)
{
    if (!image.IsValid())
        return false;
    // Rows top first, tightly packed, in RGB order.
    Image rows(image);
    if (!rows.SetFormat(RGB) || !rows.RemoveRowPadding())
        return false;
    rows.FlipVertical();

    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(rows.GetData(), rows.Width(), rows.Height(), 24,
                                                              rows.GetRowStride(), SDL_PIXELFORMAT_RGB24);
    if (!surface)
        return false;
    std::vector<unsigned char> bytes;
    SDL_RWops* stream = SDL_AllocRW();
    bool encoded = false;
    if (stream) {
        std::memset(stream, 0, sizeof *stream);
        stream->type = SDL_RWOPS_UNKNOWN;
        stream->size = NoSize;
        stream->seek = NoSeek;
        stream->read = NoRead;
        stream->write = AppendBytes;
        stream->close = CloseStream;
        stream->hidden.unknown.data1 = &bytes;
        encoded = IMG_SavePNG_RW(surface, stream, 1) == 0;
    }
    SDL_FreeSurface(surface);
    if (!encoded || bytes.empty())
        return false;
    const PlatformFilePart part{bytes.data(), bytes.size()};
    return PlatformWriteFileWhole(path, &part, 1);
}
