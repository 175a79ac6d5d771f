#include "tests/image/PictureFiles.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace glintwork {

void Put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v);
    Put16(b, v >> 16);
}

void Set32(Bytes& b, size_t offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.at(offset + i) = uint8_t(v >> (8 * i));
}

Bytes PixelBytes(const Image& image, int x, int y, int count)
{
    const unsigned char* p = image.GetRow(y) + x * image.GetPixelSize();
    return Bytes(p, p + count * image.GetPixelSize());
}

Bytes Rgb(const Image& image, int x, int y)
{
    unsigned char r, g, b;
    image.GetPixel(x, y, r, g, b);
    return {r, g, b};
}

Bytes FromHex(const char* hex)
{
    Bytes bytes;
    for (; hex[0] && hex[1]; hex += 2)
        bytes.push_back(uint8_t(std::stoi(std::string(hex, 2), nullptr, 16)));
    return bytes;
}

Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes MakeBmp(int32_t width, int32_t height, int bits, const Bytes& palette, const Bytes& rows, uint32_t compression)
{
    Bytes b{'B', 'M'};
    const uint32_t offBits = uint32_t(54 + palette.size()), size = uint32_t(rows.size());
    for (uint32_t field : {offBits + size, 0u, offBits, 40u, uint32_t(width), uint32_t(height)})
        Put32(b, field);
    Put16(b, 1);
    Put16(b, uint32_t(bits));
    for (uint32_t field : {compression, size, 2835u, 2835u, uint32_t(palette.size() / 4), 0u})
        Put32(b, field);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

Bytes MakeBitFieldBmp(uint32_t infoSize, int32_t width, int32_t height, int bits, uint32_t compression,
                      const std::vector<uint32_t>& masks, const Bytes& rows)
{
    Bytes fields;
    for (uint32_t m : masks)
        Put32(fields, m);
    uint32_t headers = 14 + std::max<uint32_t>(infoSize, uint32_t(40 + fields.size()));
    Bytes b = MakeBmp(width, height, bits, {}, rows, compression);
    Set32(b, 2, uint32_t(headers + rows.size()));
    Set32(b, 10, headers);
    Set32(b, 14, infoSize);
    fields.resize(headers - 54, 0);
    b.insert(b.begin() + 54, fields.begin(), fields.end());
    return b;
}

Bytes MakeTga(int type, int width, int height, int depth, int descriptor, const Bytes& data, bool footer)
{
    Bytes b{0, 0, uint8_t(type), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(b, uint32_t(width));
    Put16(b, uint32_t(height));
    b.push_back(uint8_t(depth));
    b.push_back(uint8_t(descriptor));
    b.insert(b.end(), data.begin(), data.end());
    if (footer) {
        const char text[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";  // with its closing zero
        b.insert(b.end(), text, text + sizeof text);
    }
    return b;
}

namespace {

void PutSegment(Bytes& j, uint8_t marker, const Bytes& payload)
{
    j.insert(j.end(), {0xFF, marker, uint8_t((payload.size() + 2) >> 8), uint8_t(payload.size() + 2)});
    j.insert(j.end(), payload.begin(), payload.end());
}

}  // namespace

Bytes MakeFlatJpeg(int width, int height, int acScans, bool refinements)
{
    Bytes j{0xFF, 0xD8};
    Bytes quant{0};
    quant.insert(quant.end(), 64, 8);
    PutSegment(j, 0xDB, quant);
    PutSegment(j, 0xC2, {8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), 1, 1, 0x11, 0});
    // DC table: the difference category 0 is the one-bit code "0".
    Bytes dc{0x00, 1};
    dc.insert(dc.end(), 15, 0);
    dc.push_back(0);
    PutSegment(j, 0xC4, dc);
    // AC table: "00" is a run of 16384 + (14 more bits) empty blocks, "01"
    // one empty block.
    Bytes ac{0x10, 0, 2};
    ac.insert(ac.end(), 14, 0);
    ac.insert(ac.end(), {0xE0, 0x00});
    PutSegment(j, 0xC4, ac);

    const int blocks = (width + 7) / 8 * ((height + 7) / 8);
    PutSegment(j, 0xDA, {1, 1, 0x00, 0, 0, 0});
    JpegBits dcBits;
    for (int i = 0; i < blocks; ++i)
        dcBits.Put(0, 1);
    Bytes scan = dcBits.Finish();
    j.insert(j.end(), scan.begin(), scan.end());
    for (int k = 0; k < acScans; ++k) {
        PutSegment(j, 0xDA, {1, 1, 0x00, 1, 63, uint8_t(refinements ? 0x10 : 0)});
        JpegBits acBits;
        for (int left = blocks; left > 0;) {
            if (left >= 16384) {
                int run = std::min(left, 32767);
                acBits.Put(0, 2);
                acBits.Put(uint32_t(run - 16384), 14);
                left -= run;
            } else {
                acBits.Put(1, 2);
                --left;
            }
        }
        scan = acBits.Finish();
        j.insert(j.end(), scan.begin(), scan.end());
    }
    j.insert(j.end(), {0xFF, 0xD9});
    return j;
}

Bytes MakeFilledJpeg(size_t fill)
{
    Bytes j = MakeFlatJpeg(8, 8, 0);
    const size_t frame = 2 + 4 + 65;  // after the start marker and the quantization table
    j.insert(j.begin() + long(frame), fill, 0xFF);
    return j;
}

Bytes MakePlacedGif(int screenWidth, int screenHeight, int left, int top, int frameWidth, int frameHeight,
                    size_t comments)
{
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, uint32_t(screenWidth));
    Put16(b, uint32_t(screenHeight));
    b.insert(b.end(), {0x81, 0, 0});  // a global table of 4 entries
    b.insert(b.end(), 12, 0);
    for (size_t i = 0; i < comments; ++i)
        b.insert(b.end(), {0x21, 0xFE, 0});
    b.push_back(0x2C);
    Put16(b, uint32_t(left));
    Put16(b, uint32_t(top));
    Put16(b, uint32_t(frameWidth));
    Put16(b, uint32_t(frameHeight));
    b.push_back(0);
    // Code size 2; a reset, pixel 0 and the end, 3 bits each.
    b.insert(b.end(), {2, 2, 0x44, 0x01, 0, 0x3B});
    return b;
}

Bytes MakeSparseRunLengthBmp(int width, int height)
{
    Bytes palette;
    for (int i = 0; i < 4; ++i)
        palette.insert(palette.end(), {uint8_t(60 * i), uint8_t(50 * i), uint8_t(40 * i), 0});
    Bytes data;
    for (int k = 0; k < 12; ++k)
        data.insert(data.end(), {255, uint8_t(k % 4), 0, 0});  // a run of 255, then the next row
    data.insert(data.end(), {0, 1});                           // the end of the picture
    return MakeBmp(width, height, 8, palette, data, 1);
}

}  // namespace glintwork
