#include "app/SceneWatcher.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

namespace glintwork {

namespace {

// Complete writes and renames into the folder, names made anew or taken
// away (a deleted scene is news too), changed permissions (a file made
// readable again), and the folder itself going away. Partial writes
// (IN_MODIFY) are not asked for.
constexpr std::uint32_t FolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                       IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// A folder further up the path: only its going away and its permissions.
// Added to what the folder is watched for already, should it be on the way
// as well (a link may lead back into it).
constexpr std::uint32_t AboveEvents = IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_MASK_ADD;
// The watch on the folder has ended or no longer follows its path.
constexpr std::uint32_t WatchEnded = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;
constexpr int RetryInterval = 200;  // milliseconds, while a folder is missing
constexpr int MostLinks = 40;       // as many as the kernel follows
constexpr int SettleMilliseconds = 100;  // for the end of a save after a version that cannot be used

std::string FolderOf(const std::string& path)
{
    std::size_t end = path.rfind('/');
    if (end == std::string::npos)
        return ".";
    while (end > 0 && path[end - 1] == '/')
        --end;
    return end == 0 ? "/" : path.substr(0, end);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether `path` lies inside the folder `folder`, going by the names.
bool Inside(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

// Where a link's target is, seen from the working folder.
std::string Target(const std::string& link, const std::string& target)
{
    if (!target.empty() && target[0] == '/')
        return target;
    const std::string folder = FolderOf(link);
    return folder == "." ? target : folder + "/" + target;
}

// Whether a name that was just made holds a whole version already. A new
// regular file of one link is still being written (its close after writing
// follows); a link, a second name of a file, a FIFO or a folder is complete.
bool CompleteWhenMade(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return false;  // gone again: what replaced it has its own event
    return !S_ISREG(info.st_mode) || info.st_nlink > 1;
}

}  // namespace

SceneWatcher::~SceneWatcher()
{
    if (descriptor >= 0)
        close(descriptor);
}

bool SceneWatcher::Watch(const std::string& scene)
{
    path = scene;
    error.clear();
    if (descriptor < 0)
        descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0) {
        error = path + ": cannot be watched: " + std::strerror(errno);
        return false;
    }
    Follow();
    notices.clear();  // a first watch that fails is an error, not news
    started = true;
    return error.empty();
}

bool SceneWatcher::Changed()
{
    if (descriptor < 0)
        return false;
    bool changed = false;
    bool follow = false;
    bool removed = false;  // the scene's name was taken away
    bool permissions = false;  // of a folder on the way
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t got = read(descriptor, buffer, sizeof buffer);
        if (got <= 0)
            break;  // EAGAIN: nothing more pending
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were dropped: anything may have happened.
                changed = follow = true;
                continue;
            }
            for (Folder& folder : folders) {
                if (folder.watch != event->wd || folder.lost)
                    continue;
                if (event->mask & WatchEnded) {
                    folder.lost = true;
                    follow = true;
                } else if (event->len == 0 && (event->mask & IN_ATTRIB)) {
                    permissions = follow = true;
                } else if (event->len > 0 && Names(folder, event->name)) {
                    // A link on the way may point elsewhere now.
                    follow = true;
                    if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                        removed = true;
                    else if (!(event->mask & IN_CREATE) || CompleteWhenMade(folder.path + "/" + event->name))
                        changed = true;
                }
            }
        }
    }
    // A scene deleted with its folder is told once, as the folder's news.
    if (removed && std::none_of(folders.begin(), folders.end(), [](const Folder& f) { return f.lost; }))
        changed = true;
    if (follow || RetryMilliseconds() >= 0) {
        struct stat info;
        // A folder on the way that may let the scene be read again, or one
        // that came back, shows a version not read yet when the scene is there.
        if ((Follow() || permissions) && stat(path.c_str(), &info) == 0)
            changed = true;
    }
    return changed;
}

bool SceneWatcher::ReadSettled(const std::function<bool()>& read)
{
    bool usable = read();
    for (int again = 0; again < MostRereads; ++again) {
        if (!usable && descriptor >= 0) {
            // Maybe a save in place read between its truncation and its
            // write: the close that ends it is given a moment to come.
            pollfd ready{descriptor, POLLIN, 0};
            poll(&ready, 1, SettleMilliseconds);
        }
        if (!Changed())
            break;
        usable = read();
    }
    return usable;
}

std::vector<std::string> SceneWatcher::TakeNotices()
{
    std::vector<std::string> taken;
    taken.swap(notices);
    return taken;
}

int SceneWatcher::RetryMilliseconds() const
{
    const bool missing =
        std::any_of(folders.begin(), folders.end(), [](const Folder& f) { return f.watch < 0 && !f.unwatchable; });
    return missing ? RetryInterval : -1;
}

bool SceneWatcher::Follow()
{
    steps.clear();
    std::string at = path;
    for (int links = 0;; ++links) {
        steps.push_back(Step{FolderOf(at), NameOf(at)});
        struct stat info;
        if (links == MostLinks || lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        std::string target(4096, '\0');
        const ssize_t length = readlink(at.c_str(), &target[0], target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
            break;
        target.resize(static_cast<std::size_t>(length));
        at = Target(at, target);
    }
    // A folder on the way that is a link itself (`current -> v2`) is watched
    // where it leads; its pointing elsewhere is seen in the folder holding it.
    for (std::size_t i = 0, known = steps.size(); i < known; ++i) {
        struct stat info;
        const std::string folder = steps[i].folder;
        if (lstat(folder.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
            steps.push_back(Step{FolderOf(folder), NameOf(folder)});
    }

    // The folders of the steps, in order, then the folders above them (a
    // folder further up moved or replaced takes the path's folders with
    // it, without a word to their own watches); those of the previous chain
    // that are still on the way keep their watches.
    std::vector<std::string> above;
    for (const Step& step : steps) {
        for (std::string at = step.folder;;) {
            const std::string up = FolderOf(at);
            // The working folder and the root are where names start from.
            if (up == at || up == "." || up == "/")
                break;
            const std::string name = NameOf(up);
            if (name != "." && name != ".." && std::find(above.begin(), above.end(), up) == above.end())
                above.push_back(up);
            at = up;
        }
    }
    std::vector<Folder> kept;
    const auto keep = [&](const std::string& at, bool isAbove) {
        if (std::any_of(kept.begin(), kept.end(), [&](const Folder& f) { return f.path == at; }))
            return;
        auto old = std::find_if(folders.begin(), folders.end(), [&](const Folder& f) { return f.path == at; });
        if (old == folders.end()) {
            kept.push_back(Folder{at});
        } else {
            kept.push_back(std::move(*old));
            folders.erase(old);
            // Now on the way itself: its names are watched too (the watch
            // descriptor stays the same).
            if (kept.back().above && !isAbove && kept.back().watch >= 0)
                inotify_add_watch(descriptor, at.c_str(), FolderEvents);
        }
        kept.back().above = isAbove;
    };
    for (const Step& step : steps)
        keep(step.folder, false);
    for (const std::string& at : above)
        keep(at, true);
    for (Folder& dropped : folders) {
        const bool shared =
            std::any_of(kept.begin(), kept.end(), [&](const Folder& f) { return f.watch == dropped.watch; });
        if (!shared)
            Forget(dropped);
    }
    folders.swap(kept);

    bool back = false;
    std::vector<Notice> said;
    for (Folder& folder : folders) {
        if (folder.watch >= 0 && !folder.lost) {
            // Still the folder the path leads to? (Events may have been lost.)
            struct stat info;
            if (stat(folder.path.c_str(), &info) == 0 && info.st_dev == folder.device && info.st_ino == folder.inode)
                continue;
            folder.lost = true;
        }
        back = AddWatch(folder, said) || back;
    }
    // What befell a folder is said of the outermost one it befell: the
    // folders inside it went with it.
    for (const Notice& notice : said) {
        if (std::none_of(said.begin(), said.end(), [&](const Notice& n) { return Inside(notice.folder, n.folder); }))
            notices.push_back(notice.text);
    }
    return back;
}

bool SceneWatcher::AddWatch(Folder& folder, std::vector<Notice>& said)
{
    const bool wasWatched = folder.lost;
    if (folder.lost) {
        // A moved folder is still watched where it went; forget it there.
        Forget(folder);
        folder.lost = false;
    }
    // Looked at first: a watch added and removed again would queue an event
    // that wakes the caller, and retrying on it would never pause.
    struct stat info;
    int watch = -1;
    int why = 0;
    if (stat(folder.path.c_str(), &info) != 0)
        why = errno;
    else if (info.st_nlink == 0)
        why = ENOENT;  // deleted, but still reachable as the working folder
    else if ((watch = inotify_add_watch(descriptor, folder.path.c_str(), folder.above ? AboveEvents : FolderEvents)) <
             0)
        why = errno;
    if (watch < 0) {
        folder.watch = -1;
        const bool absent = why == ENOENT || why == ENOTDIR;
        // A folder above that may be passed through but not read (mode
        // 0711), or one over the limit of watches, goes unwatched without a
        // word: the scene's own folders are what the watch needs.
        folder.unwatchable = folder.above && !absent;
        if (folder.unwatchable)
            return false;
        if (!absent && !started && error.empty())
            error = folder.path + ": cannot be watched: " + std::strerror(why);
        if (!folder.gone && (wasWatched || !absent)) {
            folder.gone = true;
            said.push_back({folder.path, absent ? folder.path +
                                                      ": the folder was moved or deleted; watching for it to come back"
                                                : folder.path + ": cannot be watched: " + std::strerror(why) +
                                                      "; trying again"});
        }
        return false;
    }
    const bool replaced = wasWatched && (info.st_dev != folder.device || info.st_ino != folder.inode);
    if (folder.gone)
        said.push_back({folder.path, folder.path + ": the folder is back; watching it again"});
    else if (replaced)
        said.push_back({folder.path, folder.path + ": the folder was replaced; watching the new one"});
    folder.watch = watch;
    folder.unwatchable = false;
    folder.device = info.st_dev;
    folder.inode = info.st_ino;
    folder.gone = false;
    return started;
}

void SceneWatcher::Forget(Folder& folder)
{
    if (folder.watch >= 0)
        inotify_rm_watch(descriptor, folder.watch);  // fails harmlessly when the kernel ended it
    folder.watch = -1;
}

bool SceneWatcher::Names(const Folder& folder, const char* name) const
{
    return std::any_of(steps.begin(), steps.end(),
                       [&](const Step& step) { return step.folder == folder.path && step.name == name; });
}

}  // namespace glintwork
