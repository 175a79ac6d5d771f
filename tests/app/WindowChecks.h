#ifndef GLINTWORK_TESTS_APP_WINDOWCHECKS_H
#define GLINTWORK_TESTS_APP_WINDOWCHECKS_H

// A tracer window that runs a table of checks on its first paint, prints one
// line for each and exits 1 if any failed; and the program around it, which
// runs in a scratch folder holding the scene given as its one argument as
// "scenescript.txt" (exit 2 without one, or for a scene that cannot be used),
// with the GLINTWORK_* settings as glintwork reads them.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/TracerWindow.h"
#include "framework/main/App.h"
#include "trace/kernels/InstructionSet.h"
#include "tests/support/ScratchFolder.h"

namespace glintwork {

template <typename Derived> class CheckedWindow : public TracerWindow {
public:
    struct Check {
        const char* name;
        bool (Derived::*run)();
    };

    void OnDisplay() override
    {
        if (checked)
            return;
        checked = true;
        int failures = 0;
        for (const Check& c : Derived::Checks()) {
            const bool ok = (static_cast<Derived*>(this)->*c.run)();
            std::printf("%-42s %s\n", c.name, ok ? "ok" : "FAILED");
            failures += !ok;
        }
        if (failures != 0) {
            std::fprintf(stderr, "%d checks failed\n", failures);
            std::exit(1);
        }
        Close();
    }

    // Draws and saves a frame (by the window's own path unless told);
    // returns the screenShot.bmp it wrote.
    std::string Frame() { return Frame(CurrentSettings().path); }
    std::string Frame(FramePath framePath)
    {
        DrawFrame(framePath, nullptr);
        SaveFrame(framePath, nullptr);
        return ReadWholeFile("screenShot.bmp");
    }

private:
    bool checked = false;
};

template <typename Window> class CheckApp : public App {
public:
    void OnCreate() override
    {
        const std::string scene = GetArgc() == 2 ? ReadWholeFile(GetArg(1)) : std::string();
        if (scene.empty() || !EnterScratchFolder(scene)) {
            std::fprintf(stderr, "usage: %s SCENE-SCRIPT\n", GetArg(0));
            std::exit(2);
        }
        Settings settings;
        std::string message;
        SceneReport report;
        if (!ReadSettings([](const char* name) -> const char* { return std::getenv(name); }, settings, message) ||
            window.LoadScene(report) != Scene::Status::Read) {
            if (!report.messages.empty())
                message = report.messages.back();
            std::fprintf(stderr, "%s: %s\n", GetArg(0), message.c_str());
            std::exit(2);
        }
        // An instruction set this processor lacks is reported as skipped
        // (exit status 77).
        if (!settings.instructionSet.empty() && !InstructionSetAvailable(settings.instructionSet.c_str())) {
            std::printf("skipped: this processor has no %s\n", settings.instructionSet.c_str());
            std::exit(77);
        }
        window.Configure(settings);
    }

    Window window;
};

}  // namespace glintwork

#endif
