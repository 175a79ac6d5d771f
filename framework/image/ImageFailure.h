#ifndef GLINTWORK_IMAGEFAILURE_H
#define GLINTWORK_IMAGEFAILURE_H

// How the image library records why a call failed: every failing call that
// has a reason records it, and Image::FailureReason() hands it to the caller.
// The library itself never prints.

#include <string>

namespace glintwork {

// Records `reason` (a string that lives for the whole program) for this
// thread; returns false, so that a failing path can end with
// `return ImageFail("...")`.
bool ImageFail(const char* reason);

// Records a copy of `reason` (a string that may not outlive the call, such as
// the platform's words for a failed write); returns false.
bool ImageFailCopy(const char* reason);

// Records "cannot open the file: WHY", with the platform's words for why
// the last PlatformOpenFile on this thread failed; returns false.
bool ImageFailOpen();

// Forgets the recorded reason and the kind of file last read (at the start
// of every load).
void ImageClearFailure();

// Records the kind of file a load has just read, as Image::LoadedFormat()
// names it; a failed load records "".
void RecordLoadedFormat(const std::string& name);

// Reasons given by more than one reader.
inline constexpr char CannotOpen[] = "cannot open the file";
inline constexpr char NotBmp[] = "bmp: not an uncompressed or bit-field BMP file of 8, 16, 24 or 32 bits";
// The TGA reader's reason for a file with neither the closing signature nor a
// TGA name: none of its business.
inline constexpr char NotTga[] = "tga: neither the closing signature nor a .tga name";

}  // namespace glintwork

#endif  // GLINTWORK_IMAGEFAILURE_H
