#ifndef GLINTWORK_IMAGEFAILURE_H
#define GLINTWORK_IMAGEFAILURE_H

// How the image library records why a call failed: every failing call that
// has a reason records it, and Image::FailureReason() hands it to the caller.
// The library itself never prints.

namespace glintwork {

// Records `reason` (a string that lives for the whole program) for this
// thread; returns false, so that a failing path can end with
// `return ImageFail("...")`.
bool ImageFail(const char* reason);

// Records a copy of `reason` (a string that may not outlive the call, such as
// the platform's words for a failed write); returns false.
bool ImageFailCopy(const char* reason);

// Records "cannot open the file: " and the platform's reason for the open
// that just failed ("No such file or directory"); returns false.
bool ImageFailOpen();

// Forgets the recorded reason (at the start of every load).
void ImageClearFailure();

// Reasons given by more than one reader.
inline constexpr char CannotOpen[] = "cannot open the file";
inline constexpr char NotBmp[] = "bmp: not an uncompressed or bit-field BMP file of 8, 16, 24 or 32 bits";

}  // namespace glintwork

#endif  // GLINTWORK_IMAGEFAILURE_H
