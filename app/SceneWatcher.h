#ifndef GLINTWORK_SCENEWATCHER_H
#define GLINTWORK_SCENEWATCHER_H

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace glintwork {

// Tells when a file may have a new version on disk: written and closed, put
// in place by a rename (as editors save), or made anew as a link, a hard link
// or something that is not a file at all (the reader then refuses it), or
// deleted or renamed away (the reader then finds it missing). Partial
// writes are not reported, and neither is a regular file that was just
// created: its close after writing is.
//
// The file's folder is watched, not the file, so a save that replaces the
// file is seen too, and so is a change of its permissions (a scene made
// readable again). A symbolic link is followed: the folder of every link on
// the way and of the final file is watched, and the chain is followed again
// whenever one of its names changes. Every folder above them on the path is
// watched as well, for itself only. A watched folder that is moved away,
// replaced or deleted, or taken along by a folder above it, is watched again
// at its path (what happened is said of the outermost folder); while one is
// missing, the caller retries after RetryMilliseconds().
//
// Never blocks: Changed() takes what is pending; Descriptor() becomes
// readable when something is.
class SceneWatcher {
public:
    SceneWatcher() = default;
    ~SceneWatcher();
    SceneWatcher(const SceneWatcher&) = delete;
    SceneWatcher& operator=(const SceneWatcher&) = delete;

    // Starts watching `path`; false with Error() set when it cannot. A folder
    // that does not exist yet is not an error: it is watched once it does.
    bool Watch(const std::string& path);
    // Whether a new version may have appeared since the last call; takes
    // every pending notification and retries missing folders.
    bool Changed();
    // Reads the new version with `read` (which says whether it could be
    // used) once Changed() said there is one. A save that comes while it is
    // read, or within a tenth of a second after a version that cannot be
    // used, makes that read stale (an in-place save read half-way, between
    // its truncation and its last write): it is read again, up to
    // MostRereads times, and only the last read counts. Returns its result.
    static constexpr int MostRereads = 10;
    bool ReadSettled(const std::function<bool()>& read);
    // What happened to the watch itself since the last call, one line each
    // ("sc: the folder was replaced; watching the new one"), each said once.
    std::vector<std::string> TakeNotices();
    // Readable when notifications are pending; -1 before Watch.
    int Descriptor() const { return descriptor; }
    // How long the caller may wait before calling Changed() again: -1 when
    // the descriptor tells everything, otherwise the retry interval for a
    // folder that is missing.
    int RetryMilliseconds() const;
    const std::string& Error() const { return error; }

private:
    // One step of the path: the scene's own name, then each link's target.
    struct Step {
        std::string folder;
        std::string name;
    };
    struct Folder {
        std::string path;
        int watch = -1;       // -1: not watched (missing, or lost)
        dev_t device = 0;     // what was watched, to tell a replacement
        ino_t inode = 0;
        bool lost = false;    // the watched folder went away; not yet said
        bool gone = false;    // said to be missing; say when it is back
        bool above = false;   // above the path's folders: watched for itself only
        bool unwatchable = false;  // above, there, but the kernel refuses to watch it
    };
    // A line for TakeNotices, and the folder it is about.
    struct Notice {
        std::string folder;
        std::string text;
    };

    // Follows the links from `path` and watches every folder on the way;
    // true when a folder came back (or was replaced) and the file is there.
    bool Follow();
    // Watches the folder at its path, and adds what there is to say of it to
    // `said`; true when that is a new watch made after the first Watch (a
    // folder that came back, or a new one).
    bool AddWatch(Folder& folder, std::vector<Notice>& said);
    void Forget(Folder& folder);
    bool Names(const Folder& folder, const char* name) const;

    int descriptor = -1;
    bool started = false;  // the first Watch is over
    std::string path;
    std::vector<Step> steps;
    std::vector<Folder> folders;
    std::vector<std::string> notices;
    std::string error;
};

}  // namespace glintwork

#endif
