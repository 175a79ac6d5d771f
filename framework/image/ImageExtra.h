#ifndef GLINTWORK_IMAGEEXTRA_H
#define GLINTWORK_IMAGEEXTRA_H

#include "framework/image/Image.h"

#include <cassert>
#include <cstddef>
#include <cstdint>

namespace glintwork {

// The private record of an Image. It is shared by the image's source files
// only; nothing outside the image library includes it.
struct ImageExtra {
    explicit ImageExtra(Image* owner) : parent(owner) { assert(parent != NULL); }

    Image* parent;                  // the owning image; never null
    PixelFormat format = RGB;       // pixel format of the buffer
    unsigned char* data = nullptr;  // the pixel buffer (malloc); null when empty
    int32_t width = 0;              // pixels per row
    int32_t height = 0;             // number of rows
    uint32_t dataSize = 0;          // bytes in use: rowStride * height
    uint32_t capacity = 0;          // bytes allocated for data
    uint32_t rowBytes = 0;          // pixel bytes of one row
    uint32_t rowStride = 0;         // distance between the starts of two rows
};

}  // namespace glintwork

#endif  // GLINTWORK_IMAGEEXTRA_H
