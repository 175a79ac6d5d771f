#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ExitStatus.h"
#include "app/FrameOutput.h"
#include "app/OptionParser.h"
#include "app/OutputSafety.h"
#include "app/SceneReport.h"
#include "app/SceneWatcher.h"
#include "app/Settings.h"
#include "app/StandardStreams.h"
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

// A stop asked for by SIGINT or SIGTERM, where there is no window to close:
// the handler only writes to a pipe, which the idle wait watches; the frame
// being drawn is finished and written first, so nothing is left half made.
int stopPipe[2] = {-1, -1};
volatile std::sig_atomic_t stopAsked = 0;

void AskToStop(int)
{
    stopAsked = 1;
    const int saved = errno;
    const char byte = 0;
    if (write(stopPipe[1], &byte, 1) < 0) {
        // Full already: a stop is asked for either way.
    }
    errno = saved;
}

// False when the pipe cannot be made; the signals then end the program as
// they would anyway.
bool StopOnSignals()
{
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = AskToStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return true;
}

// What the reader and the check found, on standard error as it is: lines in
// the form compilers use, for editors to jump to, each with the line of the
// scene it is about.
void Tell(const SceneReport& report)
{
    std::fputs(ReportText(report).c_str(), stderr);
    std::fflush(stderr);
}

// Ends the program once what it printed on standard output is out, or
// with its own status when it could not be written.
[[noreturn]] void Finish(int status)
{
    std::exit(FinishStandardOutput("glintwork") ? status : ExitNoOutput);
}

// --check: each scene's messages on standard error, then its summary on
// standard output, file by file; no window is made. `strict`: a scene with
// a warning fails too. A summary that cannot be written ends the check.
int CheckScenes(const std::vector<std::string>& scenes, bool strict)
{
    int status = ExitDone;
    for (const std::string& path : scenes) {
        Scene scene;
        const SceneReport report = ReadSceneForTracing(path, true, scene);
        Tell(report);
        std::printf("%s\n", report.summary.c_str());
        if (!FinishStandardOutput("glintwork"))
            return ExitNoOutput;
        if (report.status != Scene::Status::Read || (strict && report.warnings > 0))
            status = ExitBadScene;
    }
    return status;
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
        const CommandLine line = ParseCommandLine(GetArgc(), GetArguments());
        switch (line.action) {
        case CommandLine::Action::Help: {
            // Held whole until the flush, so that a failed write is seen
            // there with its reason (the C library's own buffer is smaller
            // than the help).
            static char held[1 << 16];
            const std::string help = UsageText() + "\n" + HelpText();
            std::setvbuf(stdout, held, _IOFBF, sizeof held);
            std::fputs(help.c_str(), stdout);
            Finish(ExitDone);
        }
        case CommandLine::Action::Version:
            std::fputs(VersionText(), stdout);
            Finish(ExitDone);
        case CommandLine::Action::Misused:
            std::fprintf(stderr, "glintwork: %s\n%s", line.error.c_str(), UsageText().c_str());
            std::exit(ExitUsage);
        case CommandLine::Action::Check:
            std::exit(CheckScenes(line.scenes, line.strict));
        case CommandLine::Action::Trace:
            break;
        }
        settings = line.settings;
        std::string error;
        if (!ReadSettings([](const char* name) -> const char* { return std::getenv(name); }, settings, error))
            End(ExitUsage, error);
        if (line.settings.frames > 0)
            settings.frames = line.settings.frames;  // --frames wins over GLINTWORK_FRAMES
        if (settings.recording)
            settings.frames = 0;  // a recording makes its own frames
        const long frames = settings.recording ? static_cast<long>(settings.recordedInputs.size()) + 1 : settings.frames;
        const std::string refused = RefusedOutput(settings.output, frames, isatty(STDOUT_FILENO) == 1);
        if (!refused.empty())
            End(ExitUsage, refused);
        settings.say = Say;
        settings.endNow = EndNow;
        window.Configure(settings);
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
        if (status == Scene::Status::Missing)  // none named: nothing to show, not an error
            End(ExitDone, "no " + settings.scene + " in " + WorkingFolder() + "; name a scene: glintwork SCENE");
        if (status != Scene::Status::Read)
            std::exit(ExitBadScene);
        // The first frame's file (later ones are looked at as they are written).
        const std::string clash = settings.output.GetKind() == FrameOutput::Kind::StandardOutput
                                      ? std::string()
                                      : FrameFileIsScene(settings.output.NameOf(0), settings.scene);
        if (!clash.empty())
            End(ExitUsage, clash);
        if (settings.watch && !watcher.Watch(settings.scene))
            End(ExitBadScene, watcher.Error());

        // A window where there is a display, offscreen drawing where there
        // is none (or when asked for): the same frames either way.
        plat::ChooseDrawingPlace(settings.headless ? plat::DrawingPlace::Offscreen : plat::DrawingPlace::Automatic);
        if (!plat::StartWindowSystem())
            End(ExitNoWindow, plat::GetLastErrorText());
        if (plat::DrawsOffscreen()) {
            if (*plat::UnusableDisplayReason())
                Say(std::string(plat::UnusableDisplayReason()) + "; drawing without a display");
            // Nobody can close a window that is not shown: a plain run
            // draws one frame, and the signals that end a program end it
            // as it would end by itself.
            if (settings.frames == 0 && !settings.watch && !settings.recording)
                settings.frames = 1;
            stopping = StopOnSignals();
            window.Configure(settings);
        }
    }

    void OnIdle() override
    {
        if (stopAsked && !stopped) {
            stopped = true;
            window.Close();
            return;
        }
        if (!settings.watch)
            return;
        const bool changed = watcher.Changed();
        const std::vector<std::string> notices = watcher.TakeNotices();
        for (const std::string& notice : notices)
            Say(notice);
        // A folder on the way that went away takes the scene with it: said
        // by the notice, and shown in the title until the scene is back.
        struct stat info;
        if (!notices.empty() && stat(settings.scene.c_str(), &info) != 0 && errno == ENOENT)
            window.SceneMissing();
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
        const Scene& scene = window.CurrentScene();
        Say(settings.scene + " reloaded (" + Counted(scene.sphereCount, "sphere") + ", " +
            Counted(scene.lightCount, "light") + ")");
        window.Redraw();
    }

    bool WaitWhenIdle(IdleWait& wait) override
    {
        if (!settings.watch)
            return false;  // the plain program redraws without pause
        wait.descriptors.push_back(watcher.Descriptor());
        if (stopping)
            wait.descriptors.push_back(stopPipe[0]);
        wait.limitMs = watcher.RetryMilliseconds();
        return true;
    }

    int OnExit(int status) override
    {
        if (!window.Failure().empty()) {
            Say(window.Failure());
            return ExitBadScene;
        }
        switch (window.OutputEnded()) {
        case TracerWindow::OutputEnd::Running:
            break;
        case TracerWindow::OutputEnd::ReaderGone:
            return ExitDone;  // as head's writer ends: quietly
        case TracerWindow::OutputEnd::StreamFailed:
            Say(window.OutputEndReason());
            return ExitNoOutput;
        case TracerWindow::OutputEnd::RecordingBroken:
            Say(window.OutputEndReason());
            return ExitNoFrame;
        }
        if (status == Main::NoWindowStatus) {
            Say(FrameworkFailureReason());
            return ExitNoWindow;
        }
        // A run of counted frames that could write none of them failed.
        if (status == 0 && settings.frames > 0 && window.NoFrameWritten()) {
            const FrameOutput& output = settings.output;
            Say("no frame could be written to " +
                (output.GetKind() == FrameOutput::Kind::Numbered ? ShownArgument(output.Text()) : output.Shown(0)));
            return ExitNoFrame;
        }
        return status == 0 ? ExitDone : App::OnExit(status);
    }

    TracerWindow window;

private:
    static std::string WorkingFolder()
    {
        std::vector<char> path(4096);
        while (getcwd(path.data(), path.size()) == nullptr) {
            if (errno != ERANGE)
                return "the working folder";
            path.resize(path.size() * 2);
        }
        return ShownArgument(path.data());
    }

    static std::string Counted(std::uint32_t count, const char* what)
    {
        return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
    }

    Settings settings;  // as the window has them
    bool stopping = false;  // SIGINT and SIGTERM ask for a stop (drawing offscreen)
    bool stopped = false;
    SceneWatcher watcher;
};

static TracerApp theApp;

}  // namespace glintwork
