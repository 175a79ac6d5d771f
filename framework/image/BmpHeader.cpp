#include "framework/image/BmpHeader.h"

#include "framework/image/ImageFailure.h"
#include "framework/image/LittleEndian.h"
#include "framework/platform/PlatformFiles.h"

namespace glintwork {

namespace {
constexpr uint32_t FileHeaderSize = 14;
constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t AlphaMaskHeaderSize = 56;  // the smallest header that holds an alpha mask

// Why a mask is refused, per channel (red, green, blue, alpha).
constexpr const char* MaskZero[] = {"bmp: the red mask is 0", "bmp: the green mask is 0",
                                     "bmp: the blue mask is 0", "bmp: the alpha mask is 0"};
constexpr const char* MaskGap[] = {"bmp: the red mask has a gap in its bits", "bmp: the green mask has a gap in its bits",
                                    "bmp: the blue mask has a gap in its bits",
                                    "bmp: the alpha mask has a gap in its bits"};
constexpr const char* MaskWide[] = {"bmp: the red mask reaches past the pixel's bits",
                                     "bmp: the green mask reaches past the pixel's bits",
                                     "bmp: the blue mask reaches past the pixel's bits",
                                     "bmp: the alpha mask reaches past the pixel's bits"};

bool MaskFits(uint32_t mask, int channel, uint32_t bits)
{
    if (mask == 0)
        return channel == 3 || ImageFail(MaskZero[channel]);
    if (bits < 32 && (mask >> bits) != 0)
        return ImageFail(MaskWide[channel]);
    uint32_t run = mask >> __builtin_ctz(mask);
    if ((run & (run + 1)) != 0)
        return ImageFail(MaskGap[channel]);
    return true;
}
}  // namespace

bool ReadBmpHeader(FILE* file, BmpHeader* header)
{
    unsigned char h[FileHeaderSize + InfoHeaderSize] = {};
    size_t got = fread(h, 1, sizeof h, file);
    if (got < FileHeaderSize || GetLE16(h) != 0x4D42)
        return false;
    BmpHeader b;
    b.dataOffset = GetLE32(h + 10);
    b.infoBytesRead = uint32_t(got - FileHeaderSize);
    b.infoSize = GetLE32(h + 14);
    if (b.infoSize == CoreHeaderSize) {
        b.width = GetLE16(h + 18);
        b.height = GetLE16(h + 20);
        b.planes = GetLE16(h + 22);
        b.bits = GetLE16(h + 24);
        b.paletteEntrySize = 3;
    } else {
        b.width = int32_t(GetLE32(h + 18));
        b.height = int32_t(GetLE32(h + 22));
        b.planes = GetLE16(h + 26);
        b.bits = GetLE16(h + 28);
        b.compression = GetLE32(h + 30);
        b.sizeImage = GetLE32(h + 34);
        b.colours = GetLE32(h + 46);
    }
    *header = b;
    return true;
}

std::string BmpFormatName(const BmpHeader& header)
{
    std::string name = "BMP " + std::to_string(header.bits) + "-bit";
    if (header.compression == 1 || header.compression == 2)
        name += " run-length";
    else if (header.compression == BmpBitFields || header.compression == BmpAlphaBitFields)
        name += " bit-field";
    if (header.infoSize == 12)
        name += " OS/2";
    return name;
}

bool ReadBmpMasks(FILE* file, const BmpHeader& header, BmpMasks* masks)
{
    BmpMasks m;
    if (header.compression == BmpBitFields || header.compression == BmpAlphaBitFields) {
        unsigned char fields[16];
        bool withAlpha = header.compression == BmpAlphaBitFields || header.infoSize >= AlphaMaskHeaderSize;
        if (!PlatformReadAt(file, FileHeaderSize + InfoHeaderSize, fields, withAlpha ? 16 : 12))
            return ImageFail("bmp: the file ends before its bit-field masks");
        m.red = GetLE32(fields);
        m.green = GetLE32(fields + 4);
        m.blue = GetLE32(fields + 8);
        m.alpha = withAlpha ? GetLE32(fields + 12) : 0;
    } else if (header.bits == 16) {
        m.red = 0x7C00;
        m.green = 0x03E0;
        m.blue = 0x001F;
    } else {
        m.red = 0x00FF0000;
        m.green = 0x0000FF00;
        m.blue = 0x000000FF;
    }
    const uint32_t all[] = {m.red, m.green, m.blue, m.alpha};
    for (int c = 0; c < 4; ++c)
        if (!MaskFits(all[c], c, header.bits))
            return false;
    if ((m.red & m.green) != 0 || (m.red & m.blue) != 0 || (m.green & m.blue) != 0)
        return ImageFail("bmp: two colour masks share bits");
    if ((m.alpha & (m.red | m.green | m.blue)) != 0)
        return ImageFail("bmp: the alpha mask shares bits with a colour mask");
    *masks = m;
    return true;
}

}  // namespace glintwork
