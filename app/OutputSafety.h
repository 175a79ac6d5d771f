#ifndef GLINTWORK_OUTPUTSAFETY_H
#define GLINTWORK_OUTPUTSAFETY_H

#include <sys/types.h>

#include <string>

namespace glintwork {

// Whether two paths name one file: the same device and inode, links followed
// (so a link to it and a hard link of it count too). False when either
// cannot be looked at, as a name that does not exist yet cannot be the other.
bool SameFile(const std::string& first, const std::string& second);

// Before the first frame: the line that refuses a frame file that is the
// scene ("--output mine.bmp is the scene mine.bmp; choose another name"), ""
// when the two are different files. `output` is the frame file, as the
// command line gave it (the default screenShot.bmp when it gave none).
std::string FrameFileIsScene(const std::string& output, const std::string& scene);

// Keeps frames off the scene while it is traced (and watched): it knows the
// scene by its path and by the file last found there, so that a scene
// renamed onto the frame file's name is still known for what it is.
class SceneFileGuard {
public:
    SceneFileGuard() = default;
    explicit SceneFileGuard(const std::string& scene);
    // Why a frame is not written to `output` ("it is the scene scene.txt",
    // "it is the scene scene.txt, renamed"), "" when it may be. Looks again
    // at both names.
    std::string Refusal(const std::string& output);

private:
    std::string scene;
    bool known = false;  // a file was found at the scene's path
    dev_t device = 0;
    ino_t inode = 0;
};

}  // namespace glintwork

#endif
