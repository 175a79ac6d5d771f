#include "framework/image/BmpHeader.h"

#include "framework/image/LittleEndian.h"

namespace {
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
}  // namespace

bool ReadBmpHeader(FILE* file, BmpHeader* header)
{
    unsigned char h[kFileHeaderSize + kInfoHeaderSize] = {};
    size_t got = fread(h, 1, sizeof h, file);
    if (got < kFileHeaderSize || GetLE16(h) != 0x4D42)
        return false;
    BmpHeader b;
    b.dataOffset = GetLE32(h + 10);
    b.infoBytesRead = uint32_t(got - kFileHeaderSize);
    b.infoSize = GetLE32(h + 14);
    if (b.infoSize == kCoreHeaderSize) {
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
