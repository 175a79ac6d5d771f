#include "framework/platform/PlatformFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <algorithm>
#include <climits>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

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

// Writes all parts with as few system calls as the kernel allows (one
// gathered write for a whole file, normally).
bool WriteAll(int fd, const PlatformFilePart* parts, int count)
{
    std::vector<iovec> pending;
    for (int i = 0; i < count; ++i)
        if (parts[i].size > 0)
            pending.push_back(iovec{const_cast<void*>(parts[i].data), parts[i].size});
    size_t first = 0;
    while (first < pending.size()) {
        const int chunk = int(std::min<size_t>(pending.size() - first, IOV_MAX));
        ssize_t n = writev(fd, &pending[first], chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        size_t done = size_t(n);
        while (first < pending.size() && done >= pending[first].iov_len)
            done -= pending[first++].iov_len;
        if (done > 0) {
            pending[first].iov_base = static_cast<char*>(pending[first].iov_base) + done;
            pending[first].iov_len -= done;
        }
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

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a save replaces: the path itself or, for a symbolic link (or a
// chain of them), the file the last link names, whether it exists yet or not,
// so that the link stays a link. Empty for a loop of links.
std::string ResolveLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || size_t(n) >= sizeof target)
            return std::string();
        std::string next(target, size_t(n));
        path = next[0] == '/' ? next : FolderOf(path) + next;
    }
    return std::string();
}

}  // namespace

bool PlatformWriteFileWhole(const char* path, const PlatformFilePart* parts, int count)
{
    if (!path || !*path)
        return false;
    const std::string target = ResolveLinks(path);
    if (target.empty())
        return false;
    std::string temp = FolderOf(target) + ".glintwork-XXXXXX";
    int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = fchmod(fd, NewFileMode(target.c_str())) == 0;
    ok = ok && WriteAll(fd, parts, count);
    if (close(fd) != 0)
        ok = false;
    if (ok && rename(temp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

bool PlatformReadAt(FILE* file, uint64_t offset, void* to, size_t size)
{
    return fseeko(file, off_t(offset), SEEK_SET) == 0 && fread(to, 1, size, file) == size;
}
