#ifndef GLINTWORK_PLATFORMPICTURES_H
#define GLINTWORK_PLATFORMPICTURES_H

#include <cstdint>
#include <cstdio>
#include <vector>

namespace glintwork {

// Where a picture read through the system's services goes. A reader refuses
// a picture larger than maxSide and maxBytes allow, else calls `allocate`
// once with the final size and fills the
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

// The system's decoders. They trust the sizes a file claims and allocate the
// whole picture before reading it: a caller checks the file first (the
// image library's picture checks). Each decodes from the file's current
// position and closes the file.

// BMP files: 1, 4, 8, 16, 24 and 32 bits per pixel, run-length (4 and 8 bits)
// and bit-field files, and the small OS/2 header.
bool PlatformDecodeBitmap(FILE* file, const PictureSink& sink);

// The decoder for a file, chosen by its contents, never by its name: "PNG",
// "QOI", "JPG", "GIF" (first frame), or null for any other kind. The file is
// left where it was.
const char* PlatformPictureKind(FILE* file);
bool PlatformDecodePicture(FILE* file, const char* kind, const PictureSink& sink);

// The system's encoders: the picture (`height` rows, top row first, of
// `width` red, green, blue bytes each, `rowStride` bytes apart) as the bytes
// of a "PNG" file, or of a "JPG" file at `quality` (1 to 100). False, with
// `out` empty, when the encoder fails.
bool PlatformEncodePicture(const char* kind, const unsigned char* rows, int width, int height, int rowStride,
                           int quality, std::vector<unsigned char>& out);

// Copies the whole screen of the X display named by DISPLAY.
bool PlatformGrabScreen(const PictureSink& sink);

}  // namespace glintwork

#endif  // GLINTWORK_PLATFORMPICTURES_H
