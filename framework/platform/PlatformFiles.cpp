#include "framework/platform/PlatformFiles.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glintwork {

namespace {

thread_local std::string openFailure;

// Records why the open failed; returns null.
FILE* OpenFailed(const char* reason)
{
    openFailure = reason;
    return nullptr;
}

// Records the system's words for `error`; returns null.
FILE* OpenFailedWith(int error)
{
    char buffer[256];
    return OpenFailed(strerror_r(error, buffer, sizeof buffer));
}

// The words for a file that is there but is not a regular file.
const char* NotRegularReason(mode_t mode)
{
    return S_ISDIR(mode)    ? "Is a directory"
           : S_ISFIFO(mode) ? "Is a FIFO"
           : S_ISCHR(mode)  ? "Is a character device"
           : S_ISBLK(mode)  ? "Is a block device"
           : S_ISSOCK(mode) ? "Is a socket"
                            : "Is not a regular file";
}

}  // namespace

const char* PlatformOpenFailure()
{
    return openFailure.c_str();
}

FILE* PlatformOpenFile(const char* path, uint64_t* size)
{
    if (!path)
        return OpenFailed("no file name");
    int fd = open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OpenFailedWith(errno);
    struct stat st {};
    int statError = 0;
    if ((fstat(fd, &st) != 0 && (statError = errno) != 0) || !S_ISREG(st.st_mode) || st.st_size < 0) {
        close(fd);
        return statError != 0 ? OpenFailedWith(statError) : OpenFailed(NotRegularReason(st.st_mode));
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        const int error = errno;
        close(fd);
        return OpenFailedWith(error);
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        close(fd);
        return OpenFailedWith(error);
    }
    if (size)
        *size = uint64_t(st.st_size);
    return file;
}

bool PlatformReadAt(FILE* file, uint64_t offset, void* to, size_t size)
{
    return fseeko(file, off_t(offset), SEEK_SET) == 0 && fread(to, 1, size, file) == size;
}

}  // namespace glintwork
