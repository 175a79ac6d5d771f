// The command line, from the outside.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "tests/e2e/AppRun.h"

namespace glintwork {

namespace {

// What one of the program's standard descriptors is when it starts.
enum class Stream {
    Null,        // /dev/null
    Closed,      // no descriptor at all
    Full,        // /dev/full: every write fails with ENOSPC
    File,        // stdout.txt or stderr.txt in the folder
    BrokenPipe,  // a pipe without a reader, the broken-pipe signal ignored
};

// Runs glintwork in `folder` with the three descriptors as given; its exit
// status, or -1 when it did not end within a minute or ended by a signal.
int RunWithStreams(const std::string& folder, const std::vector<std::string>& arguments, Stream in, Stream out,
                   Stream err)
{
    std::vector<char*> argv{const_cast<char*>(GLINTWORK_BINARY)};
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(127);
        const Stream streams[3] = {in, out, err};
        const char* files[3] = {"/dev/null", "stdout.txt", "stderr.txt"};
        for (int fd = 0; fd < 3; ++fd) {
            int opened = -1;
            if (streams[fd] == Stream::Null) {
                opened = open("/dev/null", O_RDWR);
            } else if (streams[fd] == Stream::Full) {
                opened = open("/dev/full", O_WRONLY);
            } else if (streams[fd] == Stream::File) {
                opened = open(files[fd], O_WRONLY | O_CREAT | O_TRUNC, 0600);
            } else if (streams[fd] == Stream::BrokenPipe) {
                int ends[2];
                if (pipe(ends) != 0)
                    _exit(127);
                close(ends[0]);
                opened = ends[1];
                signal(SIGPIPE, SIG_IGN);
            }
            if (opened == -1) {
                close(fd);
            } else if (opened != fd) {
                dup2(opened, fd);
                close(opened);
            }
        }
        execv(GLINTWORK_BINARY, argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// Every way the program can end before or without running: the status, one
// line on standard error for a failure, and a frame only for a traced run.
// (Which options and variables are refused is checked in CommandLineTest,
// which files are refused as scenes in SceneScriptTest.)
TEST(CommandLine, ExitStatusesMessagesAndFrames)
{
    const std::string room = DefaultScene();
    const std::string plane = "screen 640 480 plane 4 0 0 0 1 1 1 2 2 2 3 3 3 1 1 1 1 1 1 1 1 1 1";
    const struct {
        std::vector<std::string> arguments;
        std::string script, environment;  // no scenescript.txt for an empty script
        int status;
        const char* message;  // part of standard error ("" for none), FOLDER standing for the run's folder
        bool frame;
    } cases[] = {
        {{"--help"}, "", "", 0, "", false},
        {{"--watch", "--bogus"}, "", "", 2, "glintwork: unknown option --bogus\nusage:", false},
        {{"absent.txt"}, "", "", 1, "glintwork: absent.txt: No such file or directory\n", false},
        {{"room.txt/x"}, "", "", 1, "glintwork: room.txt/x: Not a directory\n", false},
        {{"room.txt", "--frames=2"}, "", "", 0, "", true},
        {{}, "", "", 0, "glintwork: no scenescript.txt in FOLDER; name a scene: glintwork SCENE\n", false},
        {{}, "", "DISPLAY=", 0, "glintwork: no scenescript.txt in FOLDER; name a scene", false},
        // The scene is never the output, through a link or a hard link.
        {{"room.txt", "--output=link.bmp"}, "", "", 2,
         "glintwork: --output link.bmp is the scene room.txt; choose another name\n", false},
        {{"room.txt", "--output=hard.bmp"}, "", "", 2, "--output hard.bmp is the scene room.txt", false},
        {{}, plane, "", 1, "plane points", false},
        {{}, room, "GLINTWORK_FRAMES=3", 0, "", true},
        // A later "light" replaces the lamps: the traced run warns as --check does.
        {{"--frames=1"}, room + "\nlight 0\n", "", 0,
         "scenescript.txt:45:1: warning: the scene has no lights: every point is drawn black", true},
        {{}, room, "DISPLAY=", 0, "", true},  // drawn offscreen, one frame
        {{"--headless"}, room, "SDL_VIDEO_EGL_DRIVER=/nonexistent/libEGL.so.1", 3,
         "are the packages libegl1 and libgl1-mesa-dri installed?", false},
        {{"--headless", "--output", "-"}, room, "", 0, "", false},  // the frame in stdout.txt
        {{"--headless", "--record", "u", "--output", "gone/%d.png"}, room, "", 5,
         "glintwork: cannot write gone/0.png: No such file or directory; the recording stops at frame 0\n", false},
        {{"absent.txt"}, "", "DISPLAY=", 1, "glintwork: absent.txt: No such file or directory\n", false},
        {{}, room, "GLINTWORK_FRAMES=x", 2, "glintwork: GLINTWORK_FRAMES=\"x\": expected a whole", false},
        {{"--frames=1"}, room, "GLINTWORK_THREADS=1", 0, "", true},
        {{}, room, "DISPLAY=:97", 0, "cannot open the X display \":97\"", true},
    };
    for (const auto& c : cases) {
        const auto prepare = [&](const std::string& folder) {
            std::ofstream(folder + "/room.txt") << room;
            ASSERT_EQ(symlink("room.txt", (folder + "/link.bmp").c_str()), 0);
            ASSERT_EQ(link((folder + "/room.txt").c_str(), (folder + "/hard.bmp").c_str()), 0);
        };
        AppRun app(c.script, !c.script.empty(),
                   c.environment.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.environment},
                   prepare, c.arguments);
        SCOPED_TRACE((c.arguments.empty() ? c.script.substr(0, 40) : c.arguments[0]) + " " + c.environment);
        EXPECT_EQ(app.WaitExit(), c.status);  // -1 when it would not end
        EXPECT_EQ(app.FrameExists(), c.frame);
        const std::string messages = app.Stderr();
        std::string message = c.message;
        if (message.find("FOLDER") != std::string::npos)
            message.replace(message.find("FOLDER"), 6, app.Folder());
        EXPECT_EQ(messages.find(message) != std::string::npos, !message.empty() || messages.empty()) << messages;
        const bool failed = c.status == 1 || c.status == 3 || (c.status == 2 && c.arguments.empty()) ||
                            (c.script.empty() && c.arguments.empty());
        // One line, or one message with the line of the scene it is about and a caret.
        const auto lines = std::count(messages.begin(), messages.end(), '\n');
        EXPECT_TRUE(!failed || lines == 1 || (lines == 3 && messages.find("^\n") == messages.size() - 2)) << messages;
        EXPECT_TRUE(c.status == 0 || ReadWholeFile(app.Folder() + "/stdout.txt").empty());
    }
}

// --keys and --output give, with no X tool, the frames the window shows
// after those keys: PNG for a .png name, BMP otherwise.
TEST(CommandLine, KeysAndOutputWriteTheFramesOfThoseInputs)
{
    Image expected;
    {
        AppRun window(DefaultScene());
        ASSERT_TRUE(window.WaitForWindow());
        window.Send("key u r g");  // < is one step to the left, as G is
        expected = window.Settle();
        ASSERT_EQ(expected.Width(), 640);
    }
    for (const char* output : {"pair.png", "pair.bmp"}) {
        AppRun scripted(DefaultScene(), true, {}, {}, {"--keys", "UR<", "--frames", "2", "--output", output});
        EXPECT_EQ(scripted.WaitExit(), 0);
        Image frame;
        EXPECT_TRUE(frame.Load((scripted.Folder() + "/" + output).c_str())) << output;
        EXPECT_TRUE(SameFrame(frame, expected)) << output;
        EXPECT_FALSE(scripted.FrameExists());  // no screenShot.bmp
        const std::string header = ReadWholeFile(scripted.Folder() + "/" + output).substr(0, 4);
        EXPECT_EQ(header.substr(0, 2), std::string(output).back() == 'g' ? "\x89P" : "BM") << output;
    }
}

// Standard streams closed, full or a pipe without a reader: a failed write
// of what the program prints has a status of its own, and a closed
// descriptor is taken by nothing the program opens (no message goes into
// the X connection or a watch, and the run ends).
TEST(CommandLine, StandardStreamsClosedFullOrBroken)
{
    using S = Stream;
    const std::string full = "glintwork: cannot write to standard output: No space left on device\n";
    const std::string closed = "glintwork: cannot write to standard output: Bad file descriptor\n";
    const std::vector<std::string> check{"--check", "scenescript.txt"};
    const std::vector<std::string> unwritable{"--frames", "2", "--output", "/nonexistent/x.bmp"};
    const struct {
        std::vector<std::string> arguments;
        Stream in, out, err;
        int status;
        std::string messages;  // standard error, when it is a file
        bool frame;
    } cases[] = {
        {{"--help"}, S::Null, S::Full, S::File, 6, full, false},
        {{"--help"}, S::Null, S::Closed, S::File, 6, closed, false},
        {{"--version"}, S::Null, S::Closed, S::File, 6, closed, false},
        {{"--version"}, S::Null, S::Full, S::File, 6, full, false},
        {check, S::Null, S::Full, S::File, 6, full, false},
        {check, S::Null, S::Closed, S::File, 6, closed, false},
        {{"--help"}, S::Null, S::BrokenPipe, S::File, 6, "", false},
        {check, S::Null, S::BrokenPipe, S::File, 6, "", false},
        {check, S::Closed, S::File, S::Closed, 0, "", false},
        {{"--version"}, S::Closed, S::File, S::File, 0, "", false},
        {unwritable, S::Null, S::File, S::Closed, 5, "", false},
        {{"--watch", "--frames", "1", "--output", "/nonexistent/x.bmp"}, S::Null, S::File, S::Closed, 5, "", false},
        {{"--frames", "1"}, S::Closed, S::Closed, S::Closed, 0, "", true},
        {unwritable, S::Null, S::Null, S::File, 5,
         "glintwork: warning: cannot write /nonexistent/x.bmp: No such file or directory; no frame has been written; "
         "tracing goes on\nglintwork: no frame could be written to /nonexistent/x.bmp\n",
         false},
    };
    for (const auto& c : cases) {
        ScratchDir folder;
        std::ofstream(folder.Path("scenescript.txt")) << DefaultScene();
        std::string label;
        for (const std::string& a : c.arguments)
            label += a + " ";
        SCOPED_TRACE(label + std::to_string(int(c.in)) + std::to_string(int(c.out)) + std::to_string(int(c.err)));
        EXPECT_EQ(RunWithStreams(folder.Folder(), c.arguments, c.in, c.out, c.err), c.status);
        if (c.err == S::File) {
            EXPECT_EQ(ReadWholeFile(folder.Path("stderr.txt")), c.messages);
        }
        if (c.out == S::File && c.status == 0) {
            EXPECT_FALSE(ReadWholeFile(folder.Path("stdout.txt")).empty());
        }
        EXPECT_EQ(!ReadWholeFile(folder.Path("screenShot.bmp")).empty(), c.frame);
    }
}

// --strict makes a scene with a warning fail the check, as -Werror does.
TEST(CommandLine, StrictCheckFailsOnAWarning)
{
    const std::string warned = DefaultScene() + "\nScreen 640 480\n";  // a keyword in the wrong case
    const struct {
        std::string script;
        std::vector<std::string> arguments;
        int status;
    } cases[] = {
        {warned, {"--check", "scenescript.txt"}, 0},
        {warned, {"--check", "--strict", "scenescript.txt"}, 1},
        {warned, {"--strict", "--check", "--", "scenescript.txt"}, 1},
        {DefaultScene(), {"--check", "--strict", "scenescript.txt"}, 0},
    };
    for (const auto& c : cases) {
        ScratchDir folder;
        std::ofstream(folder.Path("scenescript.txt")) << c.script;
        EXPECT_EQ(RunWithStreams(folder.Folder(), c.arguments, Stream::Null, Stream::File, Stream::File), c.status)
            << c.arguments[1];
        EXPECT_EQ(ReadWholeFile(folder.Path("stderr.txt")).find(": warning: ") != std::string::npos,
                  c.script == warned);
    }
}

}  // namespace glintwork
