#ifndef GLINTWORK_FRAMEWRITER_H
#define GLINTWORK_FRAMEWRITER_H

#include <string>

#include "app/FrameOutput.h"
#include "framework/image/PictureFileKind.h"

namespace glintwork {

class Image;

// How the write of a frame ended.
enum class FrameWrite {
    Written,
    Failed,      // `reason` says why
    ReaderGone,  // standard output is a pipe whose reader has gone
};

// Writes `frame` as frame number `number` of a run to `output`, as a file of
// `kind`: a file replaced whole or left as it was (SavePicture), or, for
// standard output, the whole file after the frames before it.
FrameWrite WriteFrame(const FrameOutput& output, long number, const Image& frame, PictureFileKind kind,
                      std::string& reason);

}  // namespace glintwork

#endif
