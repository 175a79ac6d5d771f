#ifndef GLINTWORK_PIXELFORMAT_H
#define GLINTWORK_PIXELFORMAT_H

#include <cstdint>

namespace glintwork {

// The seven pixel formats of an Image. The numeric values are stored in the
// image and switched on everywhere; any other value is an unknown format.
enum PixelFormat : int32_t {
    RGB = 0,              // red, green, blue
    RGBA = 1,             // red, green, blue, alpha
    BGR = 2,              // blue, green, red
    BGRA = 3,             // blue, green, red, alpha
    LUMINANCE = 4,        // grey
    LUMINANCE_ALPHA = 5,  // grey, alpha
    ALPHA = 6             // alpha
};

}  // namespace glintwork

#endif  // GLINTWORK_PIXELFORMAT_H
