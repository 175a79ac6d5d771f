#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/SceneReport.h"
#include "app/SceneWatcher.h"
#include "app/TracerWindow.h"
#include "framework/main/App.h"

// The application object: built during static construction, before the
// framework's entry point runs; its window is registered as the main window.
// It reads the command line before the window is created and, when asked to
// watch the scene, polls for new versions of it from the idle pass.
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
        case CommandLine::Action::Check:
            std::exit(CheckScenes(line.scenes));
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
    }

    void OnIdle() override
    {
        if (watcher.Changed())
            window.ReloadScript();
    }

    TracerWindow window;

private:
    // --check: each scene's messages on standard error, then its summary on
    // standard output, file by file; no window is made.
    static int CheckScenes(const std::vector<std::string>& scenes)
    {
        int status = ExitDone;
        for (const std::string& path : scenes) {
            Scene scene;
            const SceneReport report = ReadSceneForTracing(path, true, scene);
            for (const std::string& message : report.messages)
                std::fprintf(stderr, "%s\n", message.c_str());
            std::fflush(stderr);
            std::printf("%s\n", report.summary.c_str());
            std::fflush(stdout);
            if (report.status != Scene::Status::Read)
                status = ExitBadScene;
        }
        return status;
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
};

static TracerApp theApp;
