#pragma once

#include <cstdint>
#include <cstdio>

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
    uint32_t compression = 0;       // 0 none, 1 and 2 run-length, 3 bit fields
    uint32_t sizeImage = 0;         // biSizeImage: bytes of pixel data, or 0
    uint32_t colours = 0;           // biClrUsed: palette entries, 0 for all
    uint32_t paletteEntrySize = 4;  // bytes of one palette entry
};

// Reads the headers from the start of the file. False when the file does not
// begin with a whole file header that says "BM"; the info header may be cut
// short (infoBytesRead tells how much of it there is).
bool ReadBmpHeader(FILE* file, BmpHeader* header);
