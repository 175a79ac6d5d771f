#include "framework/image/Image.h"
#include "framework/image/ImageFailure.h"
#include "framework/image/ImageLimits.h"
#include "framework/image/LittleEndian.h"
#include "framework/image/TgaRuns.h"
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

// Reads a true-colour TGA file, recording why it fails. The size the header
// claims is checked against the limits and against the bytes the file holds
// before the image is allocated: uncompressed data must be all there, and
// run-length data needs at least one packet of 1 + p bytes for every 128
// pixels, the footer not counting. A file with neither the closing signature
// nor a TGA name fails with NotTga.
bool ReadTga(FILE* file, uint64_t fileSize, bool tgaName, Image& image, bool& runLength)
{
    static constexpr char CutShort[] = "tga: the file ends before its last row";
    unsigned char footer[FooterSize];
    bool withSignature = fileSize >= FooterSize && fseeko(file, off_t(fileSize - FooterSize), SEEK_SET) == 0 &&
                         fread(footer, 1, sizeof footer, file) == sizeof footer &&
                         memcmp(footer + 8, "TRUEVISION-XFILE", 16) == 0;
    if (!withSignature && !tgaName)
        return ImageFail(NotTga);
    if (fileSize < FooterSize)
        return ImageFail("tga: the file is shorter than any TGA file");

    unsigned char header[HeaderSize];
    if (fseeko(file, 0, SEEK_SET) != 0 || fread(header, 1, sizeof header, file) != sizeof header)
        return ImageFail("tga: the file ends within its header");
    int type = header[2];
    int depth = header[16];
    if ((type != TgaUncompressed && type != TgaRunLength) || header[1] != 0 || (depth != 24 && depth != 32))
        return ImageFail("tga: not a true-colour TGA file of 24 or 32 bits");
    int width = GetLE16(header + 12);
    int height = GetLE16(header + 14);
    bool topFirst = (header[17] & 32) != 0;
    size_t p = size_t(depth / 8);
    uint64_t pixels = uint64_t(width) * uint64_t(height);
    uint64_t dataStart = HeaderSize + header[0];
    if (!PictureFitsLimits(width, height, int64_t(width) * int64_t(p)))
        return ImageFail("tga: a picture of no pixels, or more than the picture limits allow");
    // The closing footer is no part of the pixel data.
    const uint64_t dataEnd = withSignature ? fileSize - FooterSize : fileSize;
    if (dataStart > dataEnd)
        return ImageFail("tga: the file ends within its image ID");
    uint64_t available = dataEnd - dataStart;
    runLength = type == TgaRunLength;
    if (type == TgaUncompressed && available < pixels * p)
        return ImageFail(CutShort);
    if (type == TgaRunLength && available < (pixels + 127) / 128 * (1 + p))
        return ImageFail("tga: too little run-length data for the picture (cut short?)");
    if (fseeko(file, off_t(dataStart), SEEK_SET) != 0)
        return ImageFail(CutShort);
    if (!image.Create(width, height, p == 3 ? BGR : BGRA, 0))
        return ImageFail("tga: out of memory");

    if (type == TgaUncompressed) {
        for (int y = 0; y < height; ++y)
            if (fread(image.GetRow(y), p, size_t(width), file) != size_t(width))
                return ImageFail(CutShort);
    } else {
        unsigned char* data = image.GetData();
        if (!DecodeTgaRuns(file, data, data + image.GetDataSize(), p))
            return ImageFail("tga: the run-length data ends early or runs past the picture");
    }
    if (topFirst)
        image.FlipVertical();
    return true;
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
    bool runLength = false;
    bool ok = ReadTga(file, fileSize, IsTgaName(fileName), *this, runLength);
    fclose(file);
    if (ok)
        RecordLoadedFormat(runLength ? "TGA run-length" : "TGA");
    else
        Free();
    return ok;
}

}  // namespace glintwork
