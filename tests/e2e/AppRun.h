// Runs the real application as a user would: in a folder of its own, on the
// test's X server, driven by real key presses and mouse drags (xdotool), and
// watched through the frames it writes to screenShot.bmp.
#ifndef GLINTWORK_APPRUN_H
#define GLINTWORK_APPRUN_H

#include <sys/types.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "framework/image/Image.h"
#include "tests/support/ScratchFolder.h"

namespace glintwork {

class AppRun {
public:
    // Starts the application in a fresh folder that holds `script` as
    // scenescript.txt (no script file when `withScript` is false); `prepare`
    // may put more into the folder first. `arguments` follow the program name.
    explicit AppRun(const std::string& script, bool withScript = true, const std::vector<std::string>& environment = {},
                    const std::function<void(const std::string& folder)>& prepare = {},
                    const std::vector<std::string>& arguments = {});
    ~AppRun();
    AppRun(const AppRun&) = delete;
    AppRun& operator=(const AppRun&) = delete;

    // Waits for the window to be shown and gives it the keyboard focus.
    bool WaitForWindow();
    // Waits until screenShot.bmp has been replaced `count` more times. False
    // on a timeout or when the application ended.
    bool WaitFrames(int count);
    // The current frame (after waiting for two new ones, so that everything
    // sent before is in it).
    Image Settle();
    // Waits until `condition` holds, looking again every few milliseconds.
    // False on a timeout or when the application ended first.
    bool WaitUntil(const std::function<bool()>& condition);
    // The frame file as it is now (an empty image when there is none).
    Image Frame() const;

    void Send(const std::string& xdotoolArguments);  // e.g. "key u"
    // A drag with the button (1 left, 2 middle, 3 right) held, over `moves`
    // steps inside the window.
    void Drag(int button, int moves);
    // Asks the window to close, as a window manager's close button does.
    bool RequestClose();
    // The window's title as the X server has it ("" before WaitForWindow).
    std::string Title();

    // The exit status, or -1 on a timeout or an abnormal end.
    int WaitExit();
    bool Running();
    pid_t Pid() const { return pid; }
    std::string Folder() const { return folder; }
    std::string Stderr() const;
    bool FrameExists() const;

private:
    ScratchDir scratch;
    const std::string folder = scratch.Folder();
    pid_t pid = -1;
    int status = -1;
    bool ended = false;
    unsigned long window = 0;
    using Signature = std::tuple<unsigned long long, long long, long long>;  // inode, modification time
    Signature last;
    bool ReadSignature(Signature& s) const;
};

bool SameFrame(const Image& a, const Image& b);

}  // namespace glintwork

#endif  // GLINTWORK_APPRUN_H
