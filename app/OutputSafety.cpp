#include "app/OutputSafety.h"

#include <sys/stat.h>

#include "app/OptionParser.h"
#include "app/Settings.h"

namespace glintwork {

bool SameFile(const std::string& first, const std::string& second)
{
    struct stat a, b;
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

std::string FrameFileIsScene(const std::string& output, const std::string& scene)
{
    if (!SameFile(output, scene))
        return "";
    // The default name was not chosen on the command line: say how to change it.
    const bool named = output != Settings().output.Text();
    return (named ? "--output " : "the frame file ") + ShownArgument(output) + " is the scene " +
           ShownArgument(scene) + (named ? "; choose another name" : "; choose another name with --output");
}

SceneFileGuard::SceneFileGuard(const std::string& scenePath) : scene(scenePath)
{
    Refusal("");
}

std::string SceneFileGuard::Refusal(const std::string& output)
{
    struct stat info;
    if (stat(scene.c_str(), &info) == 0) {
        // A new version saved at the path is the scene from now on.
        known = true;
        device = info.st_dev;
        inode = info.st_ino;
    }
    if (!known || output.empty() || stat(output.c_str(), &info) != 0 || info.st_dev != device || info.st_ino != inode)
        return "";
    return "it is the scene " + ShownArgument(scene) + (SameFile(output, scene) ? "" : ", renamed");
}

}  // namespace glintwork
