#ifndef GLINTWORK_PICTURECHECKS_H
#define GLINTWORK_PICTURECHECKS_H

#include <cstdint>
#include <cstdio>

// Checks made on a picture file before it is handed to the system's decoders.
// Those decoders allocate the whole picture before they read a row and trust
// what the file claims, so a file is given to them only when the size it
// claims fits the picture limits (also at the 4 bytes a pixel of the
// decoder's own copy) and the file could really hold such a picture. Each
// check reads the file through a buffer, so that its time stays that of
// reading the file once, and records why it refused a file for
// Image::FailureReason().

namespace glintwork {

// The most pixels a run-length BMP file may claim for each byte of its
// pixel data (a run of 255 pixels takes 2 bytes).
constexpr uint64_t MaxRunLengthPixelsPerByte = 128;

// The most decoding work the scans of a JPEG file may ask for, in visits of
// an 8 x 8 block by a first pass over it (a refinement of a whole band of AC
// coefficients costs 9 a block): about a second of the decoder's time.
constexpr uint64_t MaxJpegWork = uint64_t(1) << 28;

// Whether the system's BMP loader may be given this file, read from its start:
// 1, 4, 8, 16, 24 or 32 bits per pixel, run-length (4 and 8 bits) or
// bit-field data (with masks that ReadBmpMasks takes, its reason recorded
// otherwise), the small OS/2 header or an info header; the palette and the
// uncompressed rows lie within the file, and run-length data claims no more
// than MaxRunLengthPixelsPerByte pixels a byte.
bool BitmapHeaderFits(FILE* file, uint64_t fileSize);

// Whether the system's decoder `kind` ("PNG", "QOI", "JPG" or "GIF") may be
// given this file: the size of the first frame fits; a file that claims more
// pixels than its length can describe at the best its format compresses is
// cut short and refused; PNG chunks must all lie within the file, GIF codes
// must be ones an encoder could have written, and JPEG files must be
// Huffman-coded with no more than MaxJpegWork over all their scans
// and, when decoded through coefficients for the whole picture, with those
// fitting the limits.
bool PictureClaimFits(FILE* file, uint64_t fileSize, const char* kind);

}  // namespace glintwork

#endif  // GLINTWORK_PICTURECHECKS_H
