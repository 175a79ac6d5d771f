#ifndef GLINTWORK_SCENEWATCHER_H
#define GLINTWORK_SCENEWATCHER_H

#include <string>

// Tells when a file has a new version on disk: written and closed, or put in
// place by a rename (as editors save). The file's folder is watched, not the
// file itself, so a save that replaces the file is seen as well. Never blocks:
// Changed() is polled from the idle pass.
class SceneWatcher {
public:
    SceneWatcher() = default;
    ~SceneWatcher();
    SceneWatcher(const SceneWatcher&) = delete;
    SceneWatcher& operator=(const SceneWatcher&) = delete;

    // Starts watching `path`; false with Error() set when it cannot.
    bool Watch(const std::string& path);
    // Whether a new version has appeared since the last call; drains every
    // pending event.
    bool Changed();
    const std::string& Error() const { return error; }

private:
    int descriptor = -1;
    std::string name;  // the file's name within its folder
    std::string error;
};

#endif
