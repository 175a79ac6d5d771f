#include "framework/image/Image.h"
#include "framework/image/ImageFailure.h"
#include "framework/image/ImageLimits.h"
#include "framework/image/LittleEndian.h"
#include "framework/platform/PlatformFiles.h"

#include <cstdio>
#include <cstring>

namespace glintwork {

namespace {

constexpr size_t HeaderSize = 18;
constexpr size_t FooterSize = 26;
constexpr int TgaUncompressed = 2;
constexpr int TgaRunLength = 10;

// A name ending in ".tga" or ".TGA" (the first such occurrence being the end).
bool IsTgaName(const char* name)
{
    size_t length = strlen(name);
    if (length <= 4)
        return false;
    const char* found = strstr(name, ".tga");
    if (!found)
        found = strstr(name, ".TGA");
    return found == name + length - 4;
}

// Decodes run-length packets into the buffer `pixels`..`end`. True when the
// packets fill it exactly; a packet that would pass the end, or a stream that
// ends early, gives false.
bool DecodeRuns(FILE* file, unsigned char* pixels, unsigned char* end, size_t p)
{
    unsigned char* at = pixels;
    for (;;) {
        int packet = fgetc(file);
        if (packet == EOF || at == end)
            break;
        size_t count = size_t(packet & 127) + 1;
        if (count * p > size_t(end - at))
            break;
        if (packet & 128) {
            unsigned char pixel[4];
            if (fread(pixel, 1, p, file) != p)
                break;
            for (size_t i = 0; i < count; ++i, at += p)
                memcpy(at, pixel, p);
        } else {
            if (fread(at, 1, count * p, file) != count * p)
                break;
            at += count * p;
        }
    }
    return at == end;
}

// Reads a true-colour TGA file. The size the header claims is checked
// against the limits and against the bytes the file holds before the image
// is allocated: uncompressed data must be all there, and run-length data
// needs at least one packet of 1 + p bytes for every 128 pixels.
bool ReadTga(FILE* file, uint64_t fileSize, bool tgaName, Image& image)
{
    unsigned char footer[FooterSize];
    if (fileSize < FooterSize || fseeko(file, off_t(fileSize - FooterSize), SEEK_SET) != 0 ||
        fread(footer, 1, sizeof footer, file) != sizeof footer)
        return false;
    if (memcmp(footer + 8, "TRUEVISION-XFILE", 16) != 0 && !tgaName)
        return false;

    unsigned char header[HeaderSize];
    if (fseeko(file, 0, SEEK_SET) != 0 || fread(header, 1, sizeof header, file) != sizeof header)
        return false;
    int type = header[2];
    int depth = header[16];
    if ((type != TgaUncompressed && type != TgaRunLength) || header[1] != 0 || (depth != 24 && depth != 32))
        return false;
    int width = GetLE16(header + 12);
    int height = GetLE16(header + 14);
    bool topFirst = (header[17] & 32) != 0;
    size_t p = size_t(depth / 8);
    uint64_t pixels = uint64_t(width) * uint64_t(height);
    uint64_t dataStart = HeaderSize + header[0];
    if (!PictureFitsLimits(width, height, int64_t(width) * int64_t(p)) || dataStart > fileSize)
        return false;
    uint64_t available = fileSize - dataStart;
    if (type == TgaUncompressed && available < pixels * p)
        return false;
    if (type == TgaRunLength && available < (pixels + 127) / 128 * (1 + p))
        return false;
    if (fseeko(file, off_t(dataStart), SEEK_SET) != 0)
        return false;
    if (!image.Create(width, height, p == 3 ? BGR : BGRA, 0))
        return false;

    bool ok = true;
    if (type == TgaUncompressed) {
        for (int y = 0; ok && y < height; ++y)
            ok = fread(image.GetRow(y), p, size_t(width), file) == size_t(width);
    } else {
        unsigned char* data = image.GetData();
        ok = DecodeRuns(file, data, data + image.GetDataSize(), p);
    }
    if (ok && topFirst)
        image.FlipVertical();
    return ok;
}

}  // namespace

bool Image::LoadTGA(const char* fileName)
{
    ImageClearFailure();
    if (!fileName)
        return ImageFail(CannotOpen);
    uint64_t fileSize = 0;
    FILE* file = PlatformOpenFile(fileName, &fileSize);
    if (!file)
        return ImageFailOpen();
    bool ok = ReadTga(file, fileSize, IsTgaName(fileName), *this);
    fclose(file);
    if (!ok) {
        Free();
        ImageFail("tga: not a true-colour TGA file, or a damaged one");
    }
    return ok;
}

}  // namespace glintwork
