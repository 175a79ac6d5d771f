#pragma once

#include <cstdint>

// Where a picture read through the system's services goes. A reader checks
// the size the picture claims against maxSide and maxBytes before it decodes
// anything, then calls `allocate` once with the final size and fills the
// buffer that comes back (rowStride x height bytes) with bottom-up rows of
// blue, green, red bytes, each row padded with zeros to a multiple of 4
// bytes. Transparent parts come out white. `allocate` may return null to
// refuse; the reader then fails. `begin` (if set) is called once the source
// has given a picture (decoded, or the display opened): a failure before it
// is an early refusal, one after it a late failure.
struct PictureSink {
    int maxSide;        // largest width or height accepted
    uint64_t maxBytes;  // largest rowStride x height accepted
    unsigned char* (*allocate)(void* context, int width, int height, int rowStride);
    void* context;
    void (*begin)(void* context) = nullptr;
};

// Reads a BMP file with the system's bitmap loader: 1, 4, 8, 16, 24 and
// 32 bits per pixel, run-length (4 and 8 bits) and bit-field files, and the
// small OS/2 header. The header is checked against the file's length first.
bool PlatformLoadBitmap(const char* path, const PictureSink& sink);

// Reads a PNG, JPEG, GIF (first frame) or QOI file, the decoder chosen by the
// file's contents, never by its name. Other kinds are refused without being
// decoded, since their size cannot be checked before the decoder allocates.
bool PlatformLoadPicture(const char* path, const PictureSink& sink);

// Copies the whole screen of the X display named by DISPLAY.
bool PlatformGrabScreen(const PictureSink& sink);
