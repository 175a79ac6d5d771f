#ifndef GLINTWORK_PICTURECHECKS_H
#define GLINTWORK_PICTURECHECKS_H

#include <cstdint>
#include <cstdio>

// Checks made on a picture file before it is handed to the system's decoders.
// Those decoders allocate the whole picture before they read a row and trust
// what the file claims, so a file is given to them only when the size it
// claims fits the picture limits (also at the 4 bytes a pixel of the
// decoder's own copy) and the file could really hold such a picture.

namespace glintwork {

// Whether the system's BMP loader may be given this file, read from its start:
// 1, 4, 8, 16, 24 or 32 bits per pixel, run-length (4 and 8 bits) or
// bit-field data (with masks that ReadBmpMasks takes, its reason recorded
// otherwise), the small OS/2 header or an info header; the palette and the
// uncompressed rows lie within the file.
bool BitmapHeaderFits(FILE* file, uint64_t fileSize);

// Whether the system's decoder `kind` ("PNG", "QOI", "JPG" or "GIF") may be
// given this file: the size of the first frame fits; a file that claims more
// pixels than its length can describe at the best its format compresses is
// cut short and refused; PNG chunks must all lie within the file, GIF codes
// must be ones an encoder could have written, and JPEG files must be
// Huffman-coded with a bounded number of block visits over all their scans
// and, when decoded through coefficients for the whole picture, with those
// fitting the limits.
bool PictureClaimFits(FILE* file, uint64_t fileSize, const char* kind);

}  // namespace glintwork

#endif  // GLINTWORK_PICTURECHECKS_H
