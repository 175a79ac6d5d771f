#include "app/FrameWriter.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "framework/image/Image.h"

namespace glintwork {

namespace {

// Writes all of `bytes` to standard output, waiting for room when it is a
// descriptor that does not block.
FrameWrite WriteAll(const std::vector<unsigned char>& bytes, std::string& reason)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
            continue;
        }
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd out{STDOUT_FILENO, POLLOUT, 0};
            poll(&out, 1, -1);
            continue;
        }
        if (wrote < 0 && errno == EPIPE)
            return FrameWrite::ReaderGone;
        reason = wrote < 0 ? std::strerror(errno) : "nothing could be written";
        return FrameWrite::Failed;
    }
    return FrameWrite::Written;
}

}  // namespace

FrameWrite WriteFrame(const FrameOutput& output, long number, const Image& frame, PictureFileKind kind,
                      std::string& reason)
{
    if (output.GetKind() != FrameOutput::Kind::StandardOutput) {
        if (SavePicture(frame, output.NameOf(number).c_str(), kind))
            return FrameWrite::Written;
        reason = Image::FailureReason();
        return FrameWrite::Failed;
    }
    std::vector<unsigned char> bytes;
    if (!EncodePicture(frame, kind, bytes)) {
        reason = Image::FailureReason();
        return FrameWrite::Failed;
    }
    return WriteAll(bytes, reason);
}

}  // namespace glintwork
