#include "framework/platform/PlatformFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace glintwork {

namespace {

thread_local std::string openFailure;

// Records the system's words for `error` (taken at the failing call) and
// closes what was opened.
FILE* OpenFailed(int error, int fd = -1, const char* reason = nullptr)
{
    char buffer[256];
    openFailure = reason ? reason : strerror_r(error, buffer, sizeof buffer);
    if (fd >= 0)
        close(fd);
    return nullptr;
}

}  // namespace

FILE* PlatformOpenFile(const char* path, uint64_t* size)
{
    if (!path)
        return OpenFailed(ENOENT);
    int fd = open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OpenFailed(errno);
    struct stat st;
    if (fstat(fd, &st) != 0)
        return OpenFailed(errno, fd);
    if (S_ISDIR(st.st_mode))
        return OpenFailed(EISDIR, fd);
    if (!S_ISREG(st.st_mode) || st.st_size < 0)
        return OpenFailed(0, fd, "not a regular file");
    int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1)
        return OpenFailed(errno, fd);
    FILE* file = fdopen(fd, "rb");
    if (!file)
        return OpenFailed(errno, fd);
    if (size)
        *size = uint64_t(st.st_size);
    return file;
}

const char* PlatformOpenFailure()
{
    return openFailure.c_str();
}

bool PlatformReadAt(FILE* file, uint64_t offset, void* to, size_t size)
{
    return fseeko(file, off_t(offset), SEEK_SET) == 0 && fread(to, 1, size, file) == size;
}

}  // namespace glintwork
