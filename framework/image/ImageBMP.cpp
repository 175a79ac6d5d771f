#include "framework/image/BmpHeader.h"
#include "framework/image/Image.h"
#include "framework/image/ImageFailure.h"
#include "framework/image/ImageLimits.h"
#include "framework/image/LittleEndian.h"
#include "framework/platform/PlatformFiles.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace glintwork {

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr size_t InfoHeaderSize = 40;

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
using Buffer = std::unique_ptr<unsigned char[], FreeDeleter>;

// The layout a BMP file claims, after its header checks.
struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    uint64_t rowSize = 0;     // bytes of one row in the file, padded to 4
    uint64_t dataOffset = 0;  // bfOffBits
};

// Fetches the pixel rows (rowSize x height bytes) into a new buffer. Every
// size is checked against the file before anything is allocated: the file
// must hold all biSizeImage bytes it claims (only the rows are read), and a
// biSizeImage smaller than the rows need is refused.
Buffer ReadRows(FILE* file, uint64_t fileSize, const BmpLayout& bmp, uint32_t sizeImage)
{
    uint64_t need = bmp.rowSize * uint64_t(bmp.height);
    if (sizeImage != 0 && sizeImage < need) {
        ImageFail("bmp: bitmap data/dims look dubious");
        return nullptr;
    }
    uint64_t claimed = sizeImage != 0 ? sizeImage : need;
    if (bmp.dataOffset > fileSize || claimed > fileSize - bmp.dataOffset) {
        ImageFail("bmp: failed reading bitmap data");
        return nullptr;
    }
    Buffer rows(static_cast<unsigned char*>(malloc(size_t(need))));
    if (!rows) {
        ImageFail("bmp: alloc failed");
        return nullptr;
    }
    if (!PlatformReadAt(file, bmp.dataOffset, rows.get(), size_t(need))) {
        ImageFail("bmp: failed reading bitmap data");
        return nullptr;
    }
    return rows;
}

// The file row that holds image row y (image row 0 is the bottom row).
const unsigned char* FileRow(const unsigned char* rows, const BmpLayout& bmp, int y)
{
    int fileY = bmp.topDown ? bmp.height - 1 - y : y;
    return rows + size_t(fileY) * size_t(bmp.rowSize);
}

bool Load24(FILE* file, uint64_t fileSize, const BmpLayout& bmp, uint32_t sizeImage, Image& image)
{
    Buffer rows = ReadRows(file, fileSize, bmp, sizeImage);
    if (!rows)
        return false;
    if (!image.Create(bmp.width, bmp.height, BGR, 0))
        return ImageFail("bmp: alloc failed");
    for (int y = 0; y < bmp.height; ++y)
        memcpy(image.GetRow(y), FileRow(rows.get(), bmp, y), size_t(bmp.width) * 3);
    return true;
}

// Pixel values at or past the number of palette entries in the file show
// palette entry 0, so every pixel has a defined colour.
bool Load8(FILE* file, uint64_t fileSize, const BmpLayout& bmp, uint32_t sizeImage, uint32_t infoSize, uint32_t colours,
           Image& image)
{
    uint32_t entries = colours == 0 ? 256 : colours;
    if (entries > 256)
        return ImageFail("bmp: failed to load palette");
    Buffer palette(static_cast<unsigned char*>(calloc(256, 4)));
    if (!palette)
        return ImageFail("bmp: failed to allocate palette");
    uint64_t paletteOffset = FileHeaderSize + uint64_t(infoSize);
    if (paletteOffset > fileSize)
        return ImageFail("bmp: unable to seek to palette data");
    if (!PlatformReadAt(file, paletteOffset, palette.get(), size_t(entries) * 4))
        return ImageFail("bmp: failed to load palette");
    if (bmp.dataOffset > fileSize)
        return ImageFail("bmp: can't seek to image data offset");
    Buffer rows = ReadRows(file, fileSize, bmp, sizeImage);
    if (!rows)
        return false;

    const unsigned char* pal = palette.get();
    bool grey = true;
    for (uint32_t i = 0; i < entries; ++i)
        grey = grey && pal[4 * i] == pal[4 * i + 1] && pal[4 * i + 1] == pal[4 * i + 2];
    if (!image.Create(bmp.width, bmp.height, grey ? LUMINANCE : BGR, 0))
        return ImageFail("bmp: alloc failed");
    for (int y = 0; y < bmp.height; ++y) {
        const unsigned char* in = FileRow(rows.get(), bmp, y);
        unsigned char* out = image.GetRow(y);
        for (int x = 0; x < bmp.width; ++x) {
            const unsigned char* entry = pal + 4 * (in[x] < entries ? in[x] : 0);
            if (grey) {
                out[x] = entry[1];
            } else {
                out[3 * x] = entry[0];
                out[3 * x + 1] = entry[1];
                out[3 * x + 2] = entry[2];
            }
        }
    }
    return true;
}

// One channel of a bit-field pixel: its mask, and its values widened to the
// full 0..255 range, v * 255 / max rounded to the nearest, where max is the
// channel's largest value (all bits of the mask set). So a 5-bit 31 and a
// 6-bit 63 give 255 and every width keeps 0 at 0; an 8-bit channel is taken
// as it is, and a wider one is scaled by the same rule (not cut to its top 8
// bits). As max is odd, v * 255 / max is never exactly half-way between two
// levels.
class Widened {
public:
    explicit Widened(uint32_t mask) : mask_(mask), shift_(__builtin_ctz(mask)), max_(mask >> shift_)
    {
        if (max_ <= TableMax)
            for (uint32_t v = 0; v <= max_; ++v)
                table_[v] = Widen(v);
    }
    unsigned char operator()(uint32_t pixel) const
    {
        uint32_t v = (pixel & mask_) >> shift_;
        return max_ <= TableMax ? table_[v] : Widen(v);
    }

private:
    static constexpr uint32_t TableMax = 255;  // channels of up to 8 bits are looked up
    unsigned char Widen(uint32_t v) const { return (uint64_t(v) * 255 + max_ / 2) / max_; }

    uint32_t mask_;
    int shift_;
    uint32_t max_;
    unsigned char table_[TableMax + 1] = {};
};

// 16- and 32-bit files, uncompressed or with bit-field masks, load as BGR:
// an alpha channel, if the masks name one, is not kept (no reader of this
// library gives a picture with alpha from a BMP file). A palette that such a
// file may carry is only a hint for displays of few colours and is not read.
bool LoadBitFields(FILE* file, uint64_t fileSize, const BmpLayout& bmp, const BmpHeader& header, Image& image)
{
    BmpMasks masks;
    if (!ReadBmpMasks(file, header, &masks))
        return false;
    Buffer rows = ReadRows(file, fileSize, bmp, header.sizeImage);
    if (!rows)
        return false;
    if (!image.Create(bmp.width, bmp.height, BGR, 0))
        return ImageFail("bmp: alloc failed");
    const Widened red(masks.red), green(masks.green), blue(masks.blue);
    const bool wide = header.bits == 32;
    for (int y = 0; y < bmp.height; ++y) {
        const unsigned char* in = FileRow(rows.get(), bmp, y);
        unsigned char* out = image.GetRow(y);
        for (int x = 0; x < bmp.width; ++x, out += 3) {
            uint32_t pixel = wide ? GetLE32(in + 4 * size_t(x)) : GetLE16(in + 2 * size_t(x));
            out[0] = blue(pixel);
            out[1] = green(pixel);
            out[2] = red(pixel);
        }
    }
    return true;
}

// Reads an uncompressed 8-, 16-, 24- or 32-bit BMP file, or a 16- or 32-bit
// one with bit-field masks, into the image. Files that are not BMP files, or
// are BMP kinds this reader does not take (run-length data, other depths, the
// small OS/2 header), fail without a word so that the next reader can try
// them.
bool ReadBmp(FILE* file, uint64_t fileSize, Image& image, BmpHeader& header)
{
    if (!ReadBmpHeader(file, &header))
        return false;
    if (header.infoBytesRead < InfoHeaderSize)
        return ImageFail("bmp: bad info header");
    int bits = int(header.bits);
    bool bitFields = header.compression == BmpBitFields || header.compression == BmpAlphaBitFields;
    bool known = header.compression == 0 ? (bits == 8 || bits == 16 || bits == 24 || bits == 32)
                                         : bitFields && (bits == 16 || bits == 32);
    if (header.infoSize < InfoHeaderSize || !known || header.planes != 1)
        return false;

    BmpLayout bmp;
    int64_t width = header.width;
    int64_t height = header.height;
    bmp.topDown = height < 0;
    if (bmp.topDown)
        height = -height;
    if (width < 1 || height < 1)
        return ImageFail("bmp: dubious looking bitmap dimensions");
    // The rows as the file holds them (4 bytes a pixel at 32 bits) and the
    // picture made of them (3 bytes a pixel) must both fit the limits.
    int64_t rowSize = (width * bits / 8 + 3) & ~int64_t(3);
    if (!PictureFitsLimits(width, height, std::max(3 * width, rowSize)))
        return ImageFail("bmp: dubious looking bitmap dimensions");
    bmp.width = int(width);
    bmp.height = int(height);
    bmp.rowSize = uint64_t(rowSize);
    bmp.dataOffset = header.dataOffset;

    if (bits == 8)
        return Load8(file, fileSize, bmp, header.sizeImage, header.infoSize, header.colours, image);
    if (bmp.dataOffset > fileSize)
        return ImageFail("bmp: can't seek to image data offset");
    if (bits == 24)
        return Load24(file, fileSize, bmp, header.sizeImage, image);
    return LoadBitFields(file, fileSize, bmp, header, image);
}

}  // namespace

bool Image::LoadBMP(const char* fileName)
{
    ImageClearFailure();
    uint64_t fileSize = 0;
    FILE* file = PlatformOpenFile(fileName, &fileSize);
    if (!file)
        return ImageFailOpen();
    BmpHeader header;
    bool ok = ReadBmp(file, fileSize, *this, header);
    fclose(file);
    if (!ok) {
        Free();
        if (!*FailureReason())
            ImageFail(NotBmp);
    }
    if (ok)
        RecordLoadedFormat(BmpFormatName(header));
    return ok;
}

bool Image::Save(const char* fileName) const
{
    return SaveBMP(fileName);
}

namespace {

constexpr size_t HeadersSize = FileHeaderSize + InfoHeaderSize;

// The two parts of the 24-bit bottom-up BMP file of `image`: the headers,
// written into `headers`, and the rows, brought to exactly the file's row
// size (whatever padding the image had) with their padding bytes zero. The
// rows are the image's own buffer when it is laid out as the file's rows
// already, else those of `copy`. False, with the reason recorded, when the
// image cannot be a BMP file.
bool BmpFileParts(const Image& image, unsigned char (&headers)[HeadersSize], Image& copy, PlatformFilePart (&parts)[2])
{
    if (!image.GetData())
        return ImageFail("bmp: the image is empty");
    const int width = image.Width(), height = image.Height();
    const uint64_t rowSize = ((24 * uint64_t(width) + 31) / 32) * 4;
    const uint64_t sizeImage = rowSize * uint64_t(height);
    if (sizeImage > UINT32_MAX - HeadersSize)
        return ImageFail("bmp: the image is too large for a BMP file");

    std::memset(headers, 0, sizeof headers);
    unsigned char* info = headers + FileHeaderSize;
    PutLE16(headers, 0x4D42);
    PutLE32(headers + 2, uint32_t(sizeof headers + sizeImage));
    PutLE32(headers + 10, uint32_t(sizeof headers));
    PutLE32(info, InfoHeaderSize);
    PutLE32(info + 4, uint32_t(width));
    PutLE32(info + 8, uint32_t(height));
    PutLE16(info + 12, 1);
    PutLE16(info + 14, 24);
    PutLE32(info + 20, uint32_t(sizeImage));
    parts[0] = {headers, sizeof headers};

    // An image already laid out as the file's rows (blue first, rows padded
    // to 4 bytes with zeros) is written straight from its buffer.
    bool fileLayout = image.GetFormat() == BGR && uint64_t(image.GetRowStride()) == rowSize;
    for (int y = 0; fileLayout && y < height; ++y) {
        const unsigned char* padding = image.GetRow(y) + 3 * size_t(width);
        for (size_t i = 0; i < size_t(rowSize) - 3 * size_t(width); ++i)
            fileLayout = fileLayout && padding[i] == 0;
    }
    if (fileLayout) {
        parts[1] = {image.GetData(), size_t(sizeImage)};
        return true;
    }

    copy = image;
    if (!copy.GetData() || !copy.SetFormat(BGR))
        return ImageFail("bmp: out of memory");
    if (uint64_t(copy.GetRowStride()) != rowSize && !copy.SetRowStride(int(rowSize)))
        return ImageFail("bmp: out of memory");
    for (int y = 0; y < height; ++y)
        memset(copy.GetRow(y) + 3 * width, 0, size_t(rowSize) - 3 * size_t(width));
    parts[1] = {copy.GetData(), size_t(sizeImage)};
    return true;
}

}  // namespace

// Writes a 24-bit bottom-up BMP file. The file appears whole or not at all.
bool Image::SaveBMP(const char* fileName) const
{
    unsigned char headers[HeadersSize];
    Image copy;
    PlatformFilePart parts[2];
    if (!BmpFileParts(*this, headers, copy, parts))
        return false;
    return PlatformWriteFileWhole(fileName, parts, 2) || ImageFailCopy(PlatformWriteFailure());
}

bool EncodeBMP(const Image& image, std::vector<unsigned char>& bytes)
{
    unsigned char headers[HeadersSize];
    Image copy;
    PlatformFilePart parts[2];
    if (!BmpFileParts(image, headers, copy, parts))
        return false;
    const unsigned char* rows = static_cast<const unsigned char*>(parts[1].data);
    bytes.assign(headers, headers + sizeof headers);
    bytes.insert(bytes.end(), rows, rows + parts[1].size);
    return true;
}

}  // namespace glintwork
