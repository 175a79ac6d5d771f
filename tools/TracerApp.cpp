#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/SceneWatcher.h"
#include "app/TracerWindow.h"
#include "framework/main/App.h"

// The application object: built during static construction, before the
// framework's entry point runs; its window is registered as the main window.
// It reads the command line before the window is created. When asked to
// watch the scene it draws only when something may have changed the picture,
// sleeping in between until the window system or the watch has news, and
// reads the scene again from the idle pass when a new version is there.
class TracerApp : public App {
public:
    ~TracerApp() override {}

    void OnCreate() override
    {
        const CommandLine line = ParseCommandLine(GetArgc(), Arguments());
        switch (line.action) {
        case CommandLine::Action::Help:
            std::fputs(UsageText(), stdout);
            std::fputs("\n", stdout);
            std::fputs(HelpText(), stdout);
            std::exit(ExitDone);
        case CommandLine::Action::Version:
            std::fputs(VersionText(), stdout);
            std::exit(ExitDone);
        case CommandLine::Action::Misused:
            std::fprintf(stderr, "glintwork: %s\n%s", line.error.c_str(), UsageText());
            std::exit(ExitUsage);
        case CommandLine::Action::Trace:
            break;
        }
        window.scriptPath = line.scene;
        window.scriptNamed = line.sceneNamed;
        // The window counts its frames against GLINTWORK_FRAMES.
        if (line.frames > 0)
            setenv("GLINTWORK_FRAMES", std::to_string(line.frames).c_str(), 1);
        if (line.watch && !watcher.Watch(line.scene)) {
            std::fprintf(stderr, "glintwork: %s\n", watcher.Error().c_str());
            std::exit(ExitBadScene);
        }
        watching = line.watch;
        window.drawOnDemand = line.watch;
    }

    void OnIdle() override
    {
        if (!watching)
            return;
        const bool changed = watcher.Changed();
        for (const std::string& notice : watcher.TakeNotices())
            std::fprintf(stderr, "glintwork: %s\n", notice.c_str());
        if (changed && window.ReloadScript()) {
            std::fprintf(stderr, "glintwork: %s reloaded (%s, %s)\n", window.scriptPath.c_str(),
                         Counted(window.scene.sphereCount, "sphere").c_str(),
                         Counted(window.scene.lightCount, "light").c_str());
            window.Redraw();
        }
    }

    bool WaitWhenIdle(IdleWait& wait) override
    {
        if (!watching)
            return false;  // the plain program redraws without pause
        wait.descriptors.push_back(watcher.Descriptor());
        wait.limitMs = watcher.RetryMilliseconds();
        return true;
    }

    TracerWindow window;

private:
    static std::string Counted(std::uint32_t count, const char* what)
    {
        return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
    }

    // The arguments as the framework stored them.
    const char* const* Arguments()
    {
        arguments.clear();
        for (int i = 0; i < GetArgc(); ++i)
            arguments.push_back(GetArg(i));
        return arguments.data();
    }

    std::vector<const char*> arguments;
    SceneWatcher watcher;
    bool watching = false;
};

static TracerApp theApp;
