#include "framework/platform/PlatformFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glintwork {

FILE* PlatformOpenFile(const char* path, uint64_t* size)
{
    if (!path)
        return nullptr;
    int fd = open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        close(fd);
        return nullptr;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        return nullptr;
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
