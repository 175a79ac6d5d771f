#ifndef GLINTWORK_PICTUREFILES_H
#define GLINTWORK_PICTUREFILES_H

// Builders for the picture files the image tests feed to the readers.

#include "framework/image/Image.h"
#include "tests/support/ScratchFolder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace glintwork {

// The bytes of `count` pixels from (x, y) as the image stores them.
Bytes PixelBytes(const Image& image, int x, int y, int count = 1);
// Pixel (x, y) as red, green, blue.
Bytes Rgb(const Image& image, int x, int y);

Bytes FromHex(const char* hex);
void Put16(Bytes& b, uint32_t v);
void Put32(Bytes& b, uint32_t v);
void Set32(Bytes& b, size_t offset, uint32_t v);

Bytes ReadFileBytes(const std::string& path);

// A BMP file: 14 + 40 header bytes, the palette (4 bytes an entry, biClrUsed
// set to its entry count), then `rows` as they are.
Bytes MakeBmp(int32_t width, int32_t height, int bits, const Bytes& palette, const Bytes& rows,
              uint32_t compression = 0);

// A 16- or 32-bit BMP file with an info header of `infoSize` bytes (40, 52,
// 56, 108 or 124) and `masks` where bit-field data has them: right after a
// 40-byte header, else within the header from its byte 40 on.
Bytes MakeBitFieldBmp(uint32_t infoSize, int32_t width, int32_t height, int bits, uint32_t compression,
                      const std::vector<uint32_t>& masks, const Bytes& rows);

// A TGA file: the 18-byte header, `data`, and the 26-byte footer if asked.
Bytes MakeTga(int type, int width, int height, int depth, int descriptor, const Bytes& data, bool footer);

// Bits of JPEG entropy-coded data, most significant first, with a 0 stuffed
// after every 0xFF byte and the last byte padded with ones.
class JpegBits {
public:
    void Put(uint32_t value, int n)
    {
        for (int i = n - 1; i >= 0; --i) {
            pending = pending << 1 | ((value >> i) & 1);
            if (++pendingBits == 8) {
                written.push_back(uint8_t(pending));
                if (pending == 0xFF)
                    written.push_back(0);
                pending = 0;
                pendingBits = 0;
            }
        }
    }
    Bytes Finish()
    {
        while (pendingBits != 0)
            Put(1, 1);
        return written;
    }

private:
    Bytes written;
    uint32_t pending = 0;
    int pendingBits = 0;
};

// A progressive grey JPEG of a flat mid grey (every coefficient 0): one DC
// scan, then `acScans` scans of the AC coefficients that say "all zero" in a
// few bytes each: first passes, or refinements of a bit already sent (which
// the decoder goes over coefficient by coefficient).
Bytes MakeFlatJpeg(int width, int height, int acScans, bool refinements = false);

// An 8 x 8 JPEG with `fill` 0xFF fill bytes before its frame header.
Bytes MakeFilledJpeg(size_t fill);

// A GIF of a logical screen of screenWidth x screenHeight with one frame of
// frameWidth x frameHeight at (left, top), all of colour 0, after `comments`
// empty comment extensions.
Bytes MakePlacedGif(int screenWidth, int screenHeight, int left, int top, int frameWidth, int frameHeight,
                    size_t comments = 0);

// An 8-bit run-length BMP of width x height whose data is a few runs and an
// end of picture, 120 bytes in all.
Bytes MakeSparseRunLengthBmp(int width, int height);

}  // namespace glintwork

#endif  // GLINTWORK_PICTUREFILES_H
