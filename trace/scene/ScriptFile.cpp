#include "trace/scene/ScriptFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace glintwork {

namespace {

// Closes the descriptor however the read ends.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            close(fd);
    }
};

}  // namespace

ScriptFileResult ReadScriptFile(const char* path, std::uint64_t largest, std::string& text, std::string& reason)
{
    text.clear();
    // O_NONBLOCK: opening a FIFO with no writer, or a device that waits for a
    // line, returns at once; fstat then refuses it.
    const Descriptor file{open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0) {
        // The system's words, taken before anything else can change errno.
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            reason = std::strerror(error);
            return ScriptFileResult::Missing;
        }
        reason = std::string("cannot be opened: ") + std::strerror(error);
        return ScriptFileResult::Refused;
    }
    struct stat info;
    if (fstat(file.fd, &info) != 0) {
        reason = std::strerror(errno);
        return ScriptFileResult::Refused;
    }
    // A folder, a FIFO or a device would fail, block or never end: only
    // regular files are read.
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        return ScriptFileResult::Refused;
    }
    const auto tooLarge = [&](std::uint64_t size) {
        reason = std::to_string(size) + " bytes is larger than a scene script may be (" + std::to_string(largest) + ")";
        return ScriptFileResult::Refused;
    };
    if (static_cast<std::uint64_t>(info.st_size) > largest)
        return tooLarge(static_cast<std::uint64_t>(info.st_size));
    // The file may still grow while it is read: never more than the limit.
    text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(file.fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            reason = std::strerror(errno);
            text.clear();
            return ScriptFileResult::Refused;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > largest) {
            const std::uint64_t size = text.size();
            text.clear();
            return tooLarge(size);
        }
    }
    return ScriptFileResult::Read;
}

}  // namespace glintwork
