#ifndef GLINTWORK_BMPHEADER_H
#define GLINTWORK_BMPHEADER_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace glintwork {

// The headers at the start of a BMP file, as the file gives them: the file
// header and either the small OS/2 header (12 bytes) or an info header of 40
// bytes or more. Fields the file does not have are 0.
struct BmpHeader {
    uint32_t dataOffset = 0;        // bfOffBits: where the pixel rows start
    uint32_t infoSize = 0;          // biSize
    uint32_t infoBytesRead = 0;     // of the first 40 bytes after the file header
    int64_t width = 0;              // pixels per row
    int64_t height = 0;             // rows; negative for top-down rows
    uint32_t planes = 0;            // must be 1
    uint32_t bits = 0;              // bits per pixel
    uint32_t compression = 0;       // 0 none, 1 and 2 run-length, 3 bit fields, 6 bit fields with alpha
    uint32_t sizeImage = 0;         // biSizeImage: bytes of pixel data, or 0
    uint32_t colours = 0;           // biClrUsed: palette entries, 0 for all
    uint32_t paletteEntrySize = 4;  // bytes of one palette entry
};

// Compression values of bit-field data.
constexpr uint32_t BmpBitFields = 3;
constexpr uint32_t BmpAlphaBitFields = 6;

// Reads the headers from the start of the file. False when the file does not
// begin with a whole file header that says "BM"; the info header may be cut
// short (infoBytesRead tells how much of it there is).
bool ReadBmpHeader(FILE* file, BmpHeader* header);

// The kind of BMP file the header describes, as Image::LoadedFormat() names
// it: "BMP 8-bit", "BMP 4-bit run-length", "BMP 32-bit bit-field", "BMP
// 24-bit OS/2", ...
std::string BmpFormatName(const BmpHeader& header);

// Where the channels of a 16- or 32-bit pixel lie, as bit masks of the pixel
// read as a little-endian number. Alpha is 0 when the file has none.
struct BmpMasks {
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
    uint32_t alpha = 0;
};

// The masks of a 16- or 32-bit file with an info header (40 bytes or more).
// Bit-field data has them right after the first 40 bytes of the info header,
// whether they close a larger header or follow a 40-byte one: red, green and
// blue, then alpha in headers of 56 bytes or more and in data of kind 6.
// Uncompressed data has the fixed layouts: 5 bits a channel in 16 bits
// (bit 15 unused), 8 bits a channel in 32 bits (the top byte unused).
// False, with the reason recorded for Image::FailureReason, when the file
// ends before its masks, or when a colour mask is 0, or any mask has a gap in
// its run of bits, reaches past the pixel's bits, or shares a bit with
// another.
bool ReadBmpMasks(FILE* file, const BmpHeader& header, BmpMasks* masks);

class Image;

// The bytes of the 24-bit BMP file Image::SaveBMP writes. False, with the
// reason recorded for Image::FailureReason, when there is none.
bool EncodeBMP(const Image& image, std::vector<unsigned char>& bytes);

}  // namespace glintwork

#endif  // GLINTWORK_BMPHEADER_H
