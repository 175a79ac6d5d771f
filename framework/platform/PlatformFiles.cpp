#include "PlatformFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

bool WriteAll(int fd, const void* data, size_t size)
{
    auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

mode_t NewFileMode(const char* path)
{
    struct stat st;
    if (stat(path, &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool PlatformWriteFileWhole(const char* path, const PlatformFilePart* parts, int count)
{
    if (!path || !*path)
        return false;
    std::string name(path);
    size_t slash = name.rfind('/');
    std::string temp = (slash == std::string::npos ? std::string() : name.substr(0, slash + 1)) +
                       ".glintwork-XXXXXX";
    int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = fchmod(fd, NewFileMode(path)) == 0;
    for (int i = 0; ok && i < count; ++i)
        ok = WriteAll(fd, parts[i].data, parts[i].size);
    if (close(fd) != 0)
        ok = false;
    if (ok && rename(temp.c_str(), path) != 0)
        ok = false;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}
