#ifndef GLINTWORK_TGARUNS_H
#define GLINTWORK_TGARUNS_H

#include <cstddef>
#include <cstdio>

namespace glintwork {

// Decodes TGA run-length packets from `file` into the buffer `pixels`..`end`,
// `pixelSize` bytes a pixel, packets running on across rows. True when the
// packets fill it exactly. A packet that would pass the end, or a stream that
// ends early, gives false; nothing is ever written past `end`.
bool DecodeTgaRuns(FILE* file, unsigned char* pixels, unsigned char* end, size_t pixelSize);

}  // namespace glintwork

#endif  // GLINTWORK_TGARUNS_H
