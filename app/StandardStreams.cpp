#include "app/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace glintwork {

namespace {

void OpenClosedStandardStreamsFirst(int, char**, char**)
{
    OpenClosedStandardStreams();
}

[[gnu::used, gnu::section(".preinit_array")]] void (*const RunFirst)(int, char**, char**) =
    OpenClosedStandardStreamsFirst;

}  // namespace

void OpenClosedStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is this one: the ones below it are open.
        const int opened = open("/dev/null", (fd == 2 ? O_WRONLY : O_RDONLY) | O_NOCTTY);
        if (opened != fd && opened != -1)
            close(opened);
    }
}

bool FinishStandardOutput(const char* program)
{
    static bool told = false;
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout))
        return true;
    if (!told && error != EPIPE) {
        told = true;
        std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program,
                     std::strerror(error != 0 ? error : EIO));
        std::fflush(stderr);
    }
    return false;
}

}  // namespace glintwork
