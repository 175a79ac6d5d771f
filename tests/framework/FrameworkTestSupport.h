// An application and a window that write what happens to them into a log,
// with hooks for each test's own steps, and a deadline so that a test whose
// awaited event never comes fails instead of hanging.
#ifndef GLINTWORK_FRAMEWORKTESTSUPPORT_H
#define GLINTWORK_FRAMEWORKTESTSUPPORT_H

#include <functional>
#include <string>
#include <vector>

#include "framework/glwindow/GLWindow.h"
#include "framework/glwindow/GLWindowEx.h"
#include "framework/main/App.h"
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"
#include "framework/platform/PlatformWindow.h"

namespace glintwork {

using Log = std::vector<std::string>;

// The entries of the log that start with the prefix.
Log Filter(const Log& log, const std::string& prefix);

class RecordingApp : public App {
public:
    explicit RecordingApp(Log* log, double seconds = 20.0);

    void OnCreate() override;
    void OnIdle() override;
    void OnDestroy() override { log->push_back("app destroy"); }
    bool WaitWhenIdle(IdleWait& wait) override { return waitWhenIdle && waitWhenIdle(wait); }

    // Runs Main::Execute and returns its result.
    int Run();

    std::function<void()> onCreate;
    std::function<void()> onIdle;
    std::function<bool(IdleWait&)> waitWhenIdle;
    bool timedOut = false;
    long idlePasses = 0;

private:
    Log* log;
    double deadline;
};

class RecordingWindow : public GLWindow {
public:
    explicit RecordingWindow(Log* log, std::string name = "w");

    void OnCreate() override;
    void OnDestroy() override { log->push_back(name + " destroy"); }
    void OnDisplay() override;
    void OnResize(int width, int height) override;
    void OnKeyboard(int key, bool pressed) override
    {
        log->push_back(name + " key " + std::to_string(key) + (pressed ? " down" : " up"));
    }

    std::function<void()> onCreate;
    std::function<void()> onDisplay;
    int displays = 0;

private:
    // " (no context)" when the window's own context is not current.
    std::string ContextNote();
    Log* log;
    std::string name;
};


// A platform window of a class of the test's own, with a drawable and a GL
// context, outside the framework's records.
struct PlainWindow {
    plat::HWND hwnd = nullptr;
    plat::HDC dc = nullptr;
    plat::HGLRC context = nullptr;
};
PlainWindow MakePlainWindow(plat::WNDPROC proc, int width, int height, bool show);
void DestroyPlainWindow(PlainWindow& window);

}  // namespace glintwork

#endif  // GLINTWORK_FRAMEWORKTESTSUPPORT_H
