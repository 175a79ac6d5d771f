// The process-wide object that owns the window registry and runs the
// message loop. Reached only through Main::Get().
#ifndef GLINTWORK_MAIN_H
#define GLINTWORK_MAIN_H

#include <cstdint>
#include <vector>

#include "framework/platform/PlatformWindow.h"

namespace glintwork {

class App;
class GLWindowEx;

class Main {
public:
    static Main* Get();
    virtual ~Main();

    // Execute's result when windows were registered but none of them could be
    // created (no display, no OpenGL visual): the loop would have nothing to
    // wait for.
    static constexpr int NoWindowStatus = 3;

    // OnCreate, the OS windows of every registered window, the loop, OnDestroy.
    int Execute(int argc, char** argv);
    // Returns the quit message's code. Never waits, unless the application
    // asks to wait when idle (App::WaitWhenIdle).
    int MessageLoop();
    void Idle();
    // For a handler that runs long (a frame being traced): hands the input
    // waiting now (keys, buttons, pointer moves) to the windows as the loop
    // would, and keeps every other message for the loop, in order. True when
    // a close request or the quit message is among those kept. Never waits.
    bool ServeInput();

    // The registry holds the records in order of registration; it does not own
    // them. The first record registered becomes the main window.
    bool AddWnd(GLWindowEx* record);
    void DelWnd(GLWindowEx* record);
    bool SetMainWnd(GLWindowEx* record);
    GLWindowEx* GetMainWnd();
    int WindowCount() const { return static_cast<int>(windows.size()); }
    GLWindowEx* Window(int i) const { return windows[static_cast<std::size_t>(i)]; }

    // A second application is refused: Execute then returns 1 at once, and
    // FrameworkFailureReason() says why.
    void SetApp(App* app);
    void ClearApp(App* app);
    App* GetApp();

    void SetConsole(bool console);
    bool IsConsole();

    bool RegisterWndClass();
    void UnregisterWndClass();
    plat::HINSTANCE GetInstance();

    int GetArgc();
    const char* GetArg(int i);
    const char* const* GetArguments();  // as App::GetArguments

private:
    Main();

    App* application = nullptr;
    plat::HINSTANCE instance = nullptr;
    std::uint16_t classAtom = 0;
    int argumentCount = 0;
    char** arguments = nullptr;
    std::vector<GLWindowEx*> windows;
    bool consoleMode = false;
    bool secondApplication = false;
    GLWindowEx* mainWindow = nullptr;
};

// The window procedure of every framework window.
plat::LRESULT WindowProc(plat::HWND hwnd, unsigned message, plat::WPARAM wParam, plat::LPARAM lParam);

}  // namespace glintwork

#endif  // GLINTWORK_MAIN_H
