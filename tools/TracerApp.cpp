#include <cctype>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ExitStatus.h"
#include "app/SceneReport.h"
#include "app/SceneWatcher.h"
#include "app/Settings.h"
#include "app/TracerWindow.h"
#include "framework/main/App.h"
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"
#include "framework/platform/PlatformWindow.h"

namespace glintwork {

namespace {

void Say(const std::string& line)
{
    std::fprintf(stderr, "glintwork: %s\n", line.c_str());
}

[[noreturn]] void End(ExitStatus status, const std::string& line)
{
    Say(line);
    std::exit(status);
}

// Losing the X server ends the program at once: nothing can be drawn or
// asked of the window any more.
void DisplayLost(const char* display)
{
    std::fprintf(stderr, "glintwork: lost the connection to the X display \"%s\"\n", display);
    std::fflush(stderr);
    std::_Exit(ExitDisplayLost);
}

// Escape or a close request during a frame still being traced: the bands
// being traced are not waited for. The last frame written is whole.
void EndNow()
{
    std::fflush(nullptr);
    std::_Exit(ExitDone);
}

// Whether the file name ends in `end` (lower case), in either case.
bool EndsWith(const std::string& text, const char* end)
{
    const std::string tail(end);
    if (text.size() <= tail.size())
        return false;
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - tail.size() + i])) != tail[i])
            return false;
    return true;
}

// What the reader and the check found, on standard error as it is: lines in
// the form compilers use, for editors to jump to.
void Tell(const SceneReport& report)
{
    for (const std::string& message : report.messages)
        std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
}

// --check: each scene's messages on standard error, then its summary on
// standard output, file by file; no window is made.
int CheckScenes(const std::vector<std::string>& scenes)
{
    int status = ExitDone;
    for (const std::string& path : scenes) {
        Scene scene;
        const SceneReport report = ReadSceneForTracing(path, true, scene);
        Tell(report);
        std::printf("%s\n", report.summary.c_str());
        std::fflush(stdout);
        if (report.status != Scene::Status::Read)
            status = ExitBadScene;
    }
    return status;
}

bool WritePng(const Image& image, const char* path)
{
    return image.SavePNG(path);
}

}  // namespace

// The application object: built during static construction, before the
// framework's entry point runs; its window is registered as the main window.
// It reads the command line, the environment and the scene before the window
// is created, decides every exit status and prints every message (the window
// hands its lines over). When asked to watch the scene it draws only when
// something may have changed the picture, sleeping in between until the
// window system or the watch has news, and reads the scene again from the
// idle pass when a new version is there.
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
            std::fputs(HelpText().c_str(), stdout);
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
        Settings settings;
        std::string error;
        if (!ReadSettings([](const char* name) -> const char* { return std::getenv(name); }, settings, error))
            End(ExitUsage, error);
        if (line.frames > 0)
            settings.frames = line.frames;
        window.Configure(settings);
        window.scriptPath = line.scene;
        window.scriptNamed = line.sceneNamed;
        framesCounted = settings.frames > 0;
        window.framePath = line.output;
        if (EndsWith(line.output, ".png"))
            window.writeFrame = WritePng;
        window.firstInputs = line.keys;
        window.say = Say;
        window.endNow = EndNow;
        plat::OnConnectionLost(DisplayLost);
        // A write to a display whose server has gone away must fail and
        // reach DisplayLost, not end the program by the broken-pipe signal:
        // the library finds out on a read most of the time, on a write now
        // and then.
        std::signal(SIGPIPE, SIG_IGN);

        // The scene is read before the window opens, so that a scene that
        // cannot be used says so with or without a display.
        SceneReport report;
        const Scene::Status status = window.LoadScene(report);
        Tell(report);
        if (status == Scene::Status::Missing)
            std::exit(ExitDone);  // no scenescript.txt, none named: nothing to show, not an error
        if (status != Scene::Status::Read)
            std::exit(ExitBadScene);
        if (line.watch && !watcher.Watch(line.scene))
            End(ExitBadScene, watcher.Error());
        watching = line.watch;
        window.drawOnDemand = line.watch;
    }

    void OnIdle() override
    {
        if (!watching)
            return;
        const bool changed = watcher.Changed();
        for (const std::string& notice : watcher.TakeNotices())
            Say(notice);
        if (!changed)
            return;
        // Only the last read is told: one that a newer save overtook may
        // have seen that save half-way.
        SceneReport report;
        const bool reloaded = watcher.ReadSettled([&] {
            report = SceneReport();
            return window.ReloadScript(report);
        });
        for (const std::string& notice : watcher.TakeNotices())
            Say(notice);
        Tell(report);
        if (!reloaded)
            return;
        Say(window.scriptPath + " reloaded (" + Counted(window.scene.sphereCount, "sphere") + ", " +
            Counted(window.scene.lightCount, "light") + ")");
        window.Redraw();
    }

    bool WaitWhenIdle(IdleWait& wait) override
    {
        if (!watching)
            return false;  // the plain program redraws without pause
        wait.descriptors.push_back(watcher.Descriptor());
        wait.limitMs = watcher.RetryMilliseconds();
        return true;
    }

    int OnExit(int status) override
    {
        if (!window.Failure().empty()) {
            Say(window.Failure());
            return ExitBadScene;
        }
        if (status == Main::NoWindowStatus) {
            Say(FrameworkFailureReason());
            return ExitNoWindow;
        }
        // A run of counted frames that could write none of them failed.
        if (status == 0 && framesCounted && window.NoFrameWritten()) {
            Say("no frame could be written to " + window.framePath);
            return ExitNoFrame;
        }
        return status == 0 ? ExitDone : App::OnExit(status);
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
    bool framesCounted = false;
};

static TracerApp theApp;

}  // namespace glintwork
