// The command line, from the outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "tests/e2e/AppRun.h"

namespace glintwork {

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
        const char* message;  // part of standard error ("" for none)
        bool frame;
    } cases[] = {
        {{"--help"}, "", "", 0, "", false},
        {{"--watch", "--bogus"}, "", "", 2, "glintwork: unknown option --bogus\nusage:", false},
        {{"absent.txt"}, "", "", 1, "glintwork: absent.txt: No such file or directory\n", false},
        {{"room.txt", "--frames=2"}, "", "", 0, "", true},
        {{}, "", "", 0, "", false},
        {{}, plane, "", 1, "plane points", false},
        {{}, room, "GLINTWORK_FRAMES=3", 0, "", true},
        {{}, room, "DISPLAY=", 3, "DISPLAY is not set", false},
        {{"absent.txt"}, "", "DISPLAY=", 1, "glintwork: absent.txt: No such file or directory\n", false},
        {{}, room, "GLINTWORK_FRAMES=x", 2, "glintwork: GLINTWORK_FRAMES=\"x\": expected a whole", false},
        {{"--frames=1"}, room, "GLINTWORK_THREADS=1", 0, "", true},
        {{}, room, "DISPLAY=:97", 3, "cannot open the X display \":97\"", false},
    };
    for (const auto& c : cases) {
        const auto prepare = [&](const std::string& folder) { std::ofstream(folder + "/room.txt") << room; };
        AppRun app(c.script, !c.script.empty(),
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

}  // namespace glintwork
