// The command line and live reload, from the outside.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "tests/e2e/AppRun.h"

namespace {

// The default scene at another screen size, its first sphere elsewhere.
std::string EditedScene()
{
    std::string scene = DefaultScene();
    scene.replace(scene.find("screen 640 480"), 14, "screen 400 300");
    scene.replace(scene.find("-4.5 -6.0 -18.0"), 15, "-2.0  1.0 -16.0");
    return scene;
}

// Saves as editors do: a new file renamed over the old one.
void SaveByRename(const std::string& path, const std::string& text)
{
    std::ofstream(path + ".new") << text;
    std::rename((path + ".new").c_str(), path.c_str());
}

}  // namespace

// Every way the program can end before or without running: the status, one
// line on standard error for a failure, and a frame only for a traced run.
// (Which options and variables are refused is checked in CommandLineTest.)
TEST(CommandLine, ExitStatusesMessagesAndFrames)
{
    enum Script { kNone, kText, kFolder, kPipe };
    const std::string room = DefaultScene();
    const std::string plane = "screen 640 480 plane 4 0 0 0 1 1 1 2 2 2 3 3 3 1 1 1 1 1 1 1 1 1 1";
    const struct {
        std::vector<std::string> arguments;
        Script kind;
        std::string script, environment;
        int status;
        const char* message;  // part of standard error ("" for none)
        bool frame;
    } cases[] = {
        {{"--help"}, kNone, "", "", 0, "", false},
        {{"--version"}, kNone, "", "", 0, "", false},
        {{"--watch", "--bogus"}, kNone, "", "", 2, "glintwork: unknown option --bogus\nusage:", false},
        {{"one.txt", "two.txt"}, kNone, "", "", 2, "glintwork: more than one scene", false},
        {{"absent.txt"}, kNone, "", "", 1, "glintwork: absent.txt: No such file or directory\n", false},
        {{"room.txt", "--frames=2"}, kNone, "", "", 0, "", true},
        {{}, kNone, "", "", 0, "", false},
        {{}, kText, "screen 640 480 sphere -1 0 0 0 1", "", 1, "\"sphere\" count 4294967295", false},
        {{}, kText, plane, "", 1, "plane points", false},
        {{}, kFolder, "", "", 1, "not a regular file", false},
        {{}, kPipe, "", "", 1, "not a regular file", false},
        {{}, kText, room, "GLINTWORK_FRAMES=3", 0, "", true},
        {{}, kText, room, "DISPLAY=", 3, "DISPLAY is not set", false},
        {{"absent.txt"}, kNone, "", "DISPLAY=", 1, "glintwork: absent.txt: No such file or directory\n", false},
        {{}, kText, room, "GLINTWORK_FRAMES=x", 2, "glintwork: GLINTWORK_FRAMES=\"x\": expected a whole", false},
        {{"--frames=1"}, kText, room, "GLINTWORK_THREADS=1", 0, "", true},
        {{}, kText, room, "DISPLAY=:97", 3, "cannot open the X display \":97\"", false},
    };
    for (const auto& c : cases) {
        const auto prepare = [&](const std::string& folder) {
            std::ofstream(folder + "/room.txt") << room;
            if (c.kind == kFolder)
                mkdir((folder + "/scenescript.txt").c_str(), 0700);
            if (c.kind == kPipe)
                mkfifo((folder + "/scenescript.txt").c_str(), 0600);
        };
        AppRun app(c.script, c.kind == kText,
                   c.environment.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.environment},
                   prepare, c.arguments);
        SCOPED_TRACE((c.arguments.empty() ? c.script.substr(0, 40) : c.arguments[0]) + " " + c.environment);
        EXPECT_EQ(app.WaitExit(), c.status);  // -1 when it would not end
        EXPECT_EQ(app.FrameExists(), c.frame);
        const std::string messages = app.Stderr();
        EXPECT_EQ(messages.find(c.message) != std::string::npos, *c.message || messages.empty()) << messages;
        const bool failed = c.status == 1 || c.status == 3 || (c.status == 2 && c.arguments.empty());
        EXPECT_TRUE(!failed || std::count(messages.begin(), messages.end(), '\n') == 1) << messages;
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

// An edit shows as the frame a fresh start on the edited scene gives, with
// the view, the pair and the switches kept; a broken save keeps the picture.
// Under --watch frames are drawn only when something changed, so the test
// waits for the picture itself.
TEST(CommandLine, WatchReloadsEditsAndKeepsTheLastGoodScene)
{
    const auto keyed = [](const std::string& scene) {
        AppRun fresh(scene);
        EXPECT_TRUE(fresh.WaitForWindow());
        fresh.Send("key u r");
        return fresh.Settle();
    };
    const Image before = keyed(DefaultScene());
    const Image expected = keyed(EditedScene());
    ASSERT_EQ(before.Width(), 640);
    ASSERT_EQ(expected.Width(), 400);

    AppRun app(DefaultScene(), true, {}, {}, {"--watch"});
    ASSERT_TRUE(app.WaitForWindow());
    app.Send("key u r");
    const auto shows = [&](const Image& picture) {
        return app.WaitUntil([&] { return SameFrame(app.Frame(), picture); });
    };
    EXPECT_TRUE(shows(before));

    const std::string script = app.Folder() + "/scenescript.txt";
    SaveByRename(script, EditedScene());
    EXPECT_TRUE(shows(expected));

    // A broken save: one line on standard error, the picture stays.
    std::ofstream(script) << "screen 0 0 plane 20" << DefaultScene().substr(DefaultScene().find("plane 20") + 8);
    ASSERT_TRUE(app.WaitUntil([&] { return app.Stderr().find("screen size") != std::string::npos; }));
    EXPECT_TRUE(SameFrame(app.Frame(), expected));
    const std::string message = app.Stderr();
    EXPECT_EQ(message.rfind("glintwork: scenescript.txt reloaded (3 spheres, 2 lights)\n"
                            "scenescript.txt:1:1: error: the screen size 0 x 0",
                            0),
              0u)
        << message;
    EXPECT_NE(message.find("; the last good scene stays\n"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 2) << message;

    // The next good save, written in place, is picked up.
    std::ofstream(script) << DefaultScene();
    EXPECT_TRUE(shows(before));

    app.Send("key Escape");
    EXPECT_EQ(app.WaitExit(), 0);
}
