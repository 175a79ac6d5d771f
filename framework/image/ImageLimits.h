#ifndef GLINTWORK_IMAGELIMITS_H
#define GLINTWORK_IMAGELIMITS_H

#include <cstdint>

namespace glintwork {

// The largest picture that any reader accepts. Every reader checks the size a
// file claims against these limits before it allocates anything, so that a
// small hostile file can never make it ask for gigabytes.
constexpr int MaxPictureSide = 32768;                    // pixels per side
constexpr uint64_t MaxPictureBytes = uint64_t(1) << 30;  // row stride x height

// True when a picture of width x height with rows of rowStride bytes stays
// within the limits (and both sides are at least 1).
inline bool PictureFitsLimits(int64_t width, int64_t height, int64_t rowStride)
{
    return width >= 1 && height >= 1 && width <= MaxPictureSide && height <= MaxPictureSide && rowStride >= 0 &&
           uint64_t(rowStride) * uint64_t(height) <= MaxPictureBytes;
}

}  // namespace glintwork

#endif  // GLINTWORK_IMAGELIMITS_H
