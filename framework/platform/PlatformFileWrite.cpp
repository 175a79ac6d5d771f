// PlatformWriteFileWhole: a file replaced whole, never through something
// that is not a regular file, and never through another user's planted link.
#include "framework/platform/PlatformFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace glintwork {

namespace {

// The kernel's own limit on links followed in one lookup.
constexpr int MaxLinks = 40;
constexpr char TemporaryPrefix[] = ".glintwork-";
constexpr size_t TemporaryRandom = 6;
// The ending no file of the user is likely to have, so that the clean-up
// never takes a file such as ".glintwork-backup" for one of ours.
constexpr char TemporarySuffix[] = ".partial";

constexpr char SharedLink[] =
    "Symbolic link in a sticky folder writable by all, owned by another user; not followed";
constexpr char Fifo[] = "Is a FIFO; not replaced";
constexpr char Socket[] = "Is a socket; not replaced";
constexpr char BlockDevice[] = "Is a block device; not replaced";
constexpr char NotRegular[] = "Is not a regular file; not replaced";

thread_local std::string failure;

bool Fail(const char* reason)
{
    failure = reason;
    return false;
}

bool FailWith(int error)
{
    char buffer[256];
    failure = strerror_r(error, buffer, sizeof buffer);
    return false;
}

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    // Closes now and reports the error a close can bring (a network file
    // system says there that a write failed).
    int Close() { return close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

// Where the bytes go: a name in an open folder, and what the name holds.
struct Destination {
    Descriptor folder;
    std::string name;
    bool exists = false;
    struct stat st {};
};

// The kernel's protected_symlinks rule, whether or not it is switched on: a
// link in a sticky folder writable by all is followed only by its owner, or
// when the folder's owner owns it too.
bool MayFollow(const struct stat& link, const struct stat& folder)
{
    const mode_t shared = S_ISVTX | S_IWOTH;
    return (folder.st_mode & shared) != shared || link.st_uid == geteuid() || link.st_uid == folder.st_uid;
}

bool ReadLink(int folder, const std::string& name, std::string& target)
{
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return FailWith(errno);
        if (n == 0)
            return FailWith(ENOENT);
        if (size_t(n) < buffer.size()) {
            target.assign(buffer.data(), size_t(n));
            return true;
        }
        if (buffer.size() >= PATH_MAX)
            return FailWith(ENAMETOOLONG);
        buffer.resize(buffer.size() * 2);
    }
}

// Finds what `path` names, link by link, each step relative to the folder
// the previous one was in.
bool Resolve(const char* path, Destination& to)
{
    std::string current = path;
    Descriptor base;
    for (int hops = 0;; ++hops) {
        const size_t slash = current.rfind('/');
        const std::string folderPath = slash == std::string::npos ? "." : current.substr(0, slash + 1);
        std::string name = slash == std::string::npos ? current : current.substr(slash + 1);
        Descriptor folder(openat(base.Get() >= 0 ? base.Get() : AT_FDCWD, folderPath.c_str(),
                                 O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (folder.Get() < 0)
            return FailWith(errno);
        if (name.empty() || name == "." || name == "..")
            return FailWith(EISDIR);
        struct stat st;
        if (fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return FailWith(errno);
            to.folder = std::move(folder);
            to.name = std::move(name);
            to.exists = false;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            to.folder = std::move(folder);
            to.name = std::move(name);
            to.exists = true;
            to.st = st;
            return true;
        }
        if (hops == MaxLinks)
            return FailWith(ELOOP);
        struct stat folderStat;
        if (fstat(folder.Get(), &folderStat) != 0)
            return FailWith(errno);
        if (!MayFollow(st, folderStat))
            return Fail(SharedLink);
        if (!ReadLink(folder.Get(), name, current))
            return false;
        base = std::move(folder);
    }
}

// Writes all parts with as few system calls as the kernel allows (one
// gathered write for a whole file, normally). False with errno set.
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
        if (n == 0)
            errno = EIO;
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

const char* NotWritableKind(mode_t mode)
{
    return S_ISFIFO(mode) ? Fifo : S_ISSOCK(mode) ? Socket : S_ISBLK(mode) ? BlockDevice : NotRegular;
}

// A character device is written as it stands; it must still be the device
// that was looked at once it is open.
bool WriteThroughDevice(const Destination& to, const PlatformFilePart* parts, int count)
{
    Descriptor device(
        openat(to.folder.Get(), to.name.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    if (device.Get() < 0)
        return FailWith(errno);
    struct stat st;
    if (fstat(device.Get(), &st) != 0)
        return FailWith(errno);
    if (S_ISDIR(st.st_mode))
        return FailWith(EISDIR);
    if (!S_ISCHR(st.st_mode) || st.st_rdev != to.st.st_rdev)
        return Fail(S_ISCHR(st.st_mode) ? NotRegular : NotWritableKind(st.st_mode));
    if (!WriteAll(device.Get(), parts, count))
        return FailWith(errno);
    return device.Close() == 0 || FailWith(errno);
}

bool IsTemporaryName(const char* name)
{
    const size_t prefix = sizeof TemporaryPrefix - 1;
    const size_t suffix = sizeof TemporarySuffix - 1;
    if (strncmp(name, TemporaryPrefix, prefix) != 0 || strlen(name) != prefix + TemporaryRandom + suffix ||
        strcmp(name + prefix + TemporaryRandom, TemporarySuffix) != 0)
        return false;
    for (const char* c = name + prefix; c != name + prefix + TemporaryRandom; ++c)
        if (!(*c >= 'a' && *c <= 'z') && !(*c >= 'A' && *c <= 'Z') && !(*c >= '0' && *c <= '9'))
            return false;
    return true;
}

std::string TemporaryName()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[TemporaryRandom];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != ssize_t(sizeof random)) {
        static thread_local unsigned state = unsigned(getpid()) * 2654435761u;
        for (unsigned char& r : random)
            r = static_cast<unsigned char>((state = state * 1103515245u + 12345u) >> 16);
    }
    std::string name = TemporaryPrefix;
    for (unsigned char r : random)
        name += letters[r % (sizeof letters - 1)];
    return name + TemporarySuffix;
}

// Removes the temporaries a killed writer left in the folder: names of our
// pattern, regular files of this user, that no program holds locked (every
// writer holds its temporary locked until it has taken its final name).
void RemoveStaleTemporaries(int folder)
{
    Descriptor listing(openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing.Get() < 0)
        return;
    DIR* entries = fdopendir(listing.Get());
    if (!entries)
        return;
    listing.Release();  // now owned by `entries`
    while (const dirent* entry = readdir(entries)) {
        if (!IsTemporaryName(entry->d_name))
            continue;
        Descriptor file(openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat opened, named;
        if (file.Get() < 0 || fstat(file.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
            opened.st_uid != geteuid() || flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Still the file that was opened and locked.
        if (fstatat(folder, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino)
            unlinkat(folder, entry->d_name, 0);
    }
    closedir(entries);
}

// Once per folder and program: the first write there tidies it.
void TidyFolderOnce(int folder)
{
    static std::mutex mutex;
    static std::set<std::pair<dev_t, ino_t>> tidied;
    struct stat st;
    if (fstat(folder, &st) != 0)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!tidied.insert({st.st_dev, st.st_ino}).second)
            return;
    }
    RemoveStaleTemporaries(folder);
}

// Gives the open file `fd` the name `name` in `folder`; errno on failure.
bool LinkIn(int fd, int folder, const std::string& name)
{
    if (linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // Without the right to link by descriptor, the same through /proc.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// A new file in `folder`, locked, with no name (O_TMPFILE) or, where the file
// system cannot do that, under a temporary name.
bool CreateTemporary(int folder, Descriptor& file, std::string& temporary)
{
    file = Descriptor(openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (file.Get() >= 0)
        return flock(file.Get(), LOCK_EX) == 0 || FailWith(errno);
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return FailWith(errno);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryName();
        file = Descriptor(openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.Get() < 0) {
            if (errno == EEXIST)
                continue;
            return FailWith(errno);
        }
        if (flock(file.Get(), LOCK_EX) != 0) {
            const int error = errno;
            unlinkat(folder, name.c_str(), 0);
            return FailWith(error);
        }
        // Another program's tidying may take the name before the lock is
        // held: then another name.
        struct stat opened, named;
        if (fstat(file.Get(), &opened) == 0 && fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            opened.st_ino == named.st_ino && opened.st_dev == named.st_dev) {
            temporary = std::move(name);
            return true;
        }
    }
    return FailWith(EEXIST);
}

// The bytes go to a new file that then takes the name: linked in directly
// where the name is free, else linked under a temporary name and renamed
// over the old file.
bool ReplaceRegularFile(const Destination& to, const PlatformFilePart* parts, int count)
{
    const int folder = to.folder.Get();
    TidyFolderOnce(folder);
    Descriptor file;
    std::string temporary;
    if (!CreateTemporary(folder, file, temporary))
        return false;
    // A replaced file's permissions stay; its set-user-ID and set-group-ID
    // bits do not, as a write into it would clear them.
    bool ok = (!to.exists || fchmod(file.Get(), to.st.st_mode & 0777) == 0) && WriteAll(file.Get(), parts, count);
    int error = errno;
    // A second descriptor keeps the lock and the unnamed file while the
    // first is closed, so that an error the close brings is seen.
    Descriptor held(ok ? fcntl(file.Get(), F_DUPFD_CLOEXEC, 0) : -1);
    if (ok && (held.Get() < 0 || file.Close() != 0)) {
        ok = false;
        error = errno;
    }
    if (ok && temporary.empty()) {
        if (!to.exists && LinkIn(held.Get(), folder, to.name))
            return true;
        // A name taken since it was looked at is replaced only when it is a
        // regular file.
        const bool taken = !to.exists && errno == EEXIST;
        struct stat now;
        if (taken && fstatat(folder, to.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(now.st_mode))
            errno = EEXIST;
        else if (to.exists || taken) {
            for (int attempt = 0; attempt < 100 && temporary.empty(); ++attempt) {
                std::string name = TemporaryName();
                if (LinkIn(held.Get(), folder, name))
                    temporary = std::move(name);
                else if (errno != EEXIST)
                    break;
            }
        }
        ok = !temporary.empty();
        error = errno;
    }
    if (ok && renameat(folder, temporary.c_str(), folder, to.name.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok && !temporary.empty())
        unlinkat(folder, temporary.c_str(), 0);
    return ok || FailWith(error);
}

}  // namespace

bool PlatformWriteFileWhole(const char* path, const PlatformFilePart* parts, int count)
{
    failure.clear();
    if (!path || !*path)
        return FailWith(ENOENT);
    Destination to;
    if (!Resolve(path, to))
        return false;
    // A file the user could not write to is not replaced either, as cp
    // would not write it; the kernel says who may (root mostly may).
    if (to.exists && S_ISREG(to.st.st_mode) && faccessat(to.folder.Get(), to.name.c_str(), W_OK, AT_EACCESS) != 0)
        return FailWith(errno);
    // A file the user could not write to is not replaced either, as cp
    // would not write it; the kernel says who may (root mostly may).
    if (to.exists && S_ISREG(to.st.st_mode) && faccessat(to.folder.Get(), to.name.c_str(), W_OK, AT_EACCESS) != 0)
        return FailWith(errno);
    if (!to.exists || S_ISREG(to.st.st_mode))
        return ReplaceRegularFile(to, parts, count);
    if (S_ISCHR(to.st.st_mode))
        return WriteThroughDevice(to, parts, count);
    if (S_ISDIR(to.st.st_mode))
        return FailWith(EISDIR);
    return Fail(NotWritableKind(to.st.st_mode));
}

const char* PlatformWriteFailure()
{
    return failure.c_str();
}

}  // namespace glintwork
