// The application during a long frame: the title shows the progress, keys are
// taken mid-frame, Escape and a close request end it at once, and losing the X
// server ends it with a status of its own.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/e2e/AppRun.h"

namespace glintwork {

namespace {

using Clock = std::chrono::steady_clock;

// The example room with 256 lights on a 1280 x 960 screen: a frame takes
// tens of seconds here, far more than any bound below.
std::string SlowScene()
{
    std::string lights = "\nscreen 1280 960\nlight 256\n", colours;  // in place of the example's
    for (int i = 0; i < 256; ++i) {
        lights += std::to_string(-8 + i % 16) + " 8.0 " + std::to_string(-28 + i / 16) + "\n";
        colours += "0.001 0.001 0.001   0.003 0.003 0.003   0.002 0.002 0.002\n";
    }
    return DefaultScene() + lights + colours;
}

TEST(SlowFrame, ShowsProgressTakesKeysAndEndsAtOnce)
{
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "close request");
        AppRun app(SlowScene());
        const auto titled = [&](const char* part) {
            return app.WaitUntil([&] { return app.Title().find(part) != std::string::npos; });
        };
        ASSERT_TRUE(app.WaitForWindow());
        EXPECT_TRUE(titled(" — tracing ")) << app.Title();
        EXPECT_EQ(app.Title().rfind("Glintwork — scenescript.txt — single — tracing ", 0), 0u) << app.Title();

        // A key during the frame: the frame is dropped, the next one has it.
        app.Send("key u r");
        EXPECT_TRUE(titled("— pair, reflections off")) << app.Title();
        EXPECT_FALSE(app.FrameExists());  // no frame was finished: nothing half-traced was written

        const Clock::time_point asked = Clock::now();
        if (escape)
            app.Send("key Escape");
        else
            EXPECT_TRUE(app.RequestClose());
        EXPECT_EQ(app.WaitExit(), 0);
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - asked).count(), 5.0);
        EXPECT_EQ(app.Stderr(), "");
    }
}

// A private X server of its own, killed under the running program (which
// may learn of it by a write as well as by a read).
TEST(SlowFrame, LosingTheXServerEndsWithItsOwnStatus)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t server = fork();
    if (server == 0) {
        dup2(fds[1], 3);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "+extension",
               "GLX", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string display = ":";  // the number the server writes, then a line break
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        display += c;
    close(fds[0]);
    ASSERT_GT(display.size(), 1u);

    AppRun app(DefaultScene(), true, {"DISPLAY=" + display});
    EXPECT_TRUE(app.WaitFrames(1));
    // A write to the dead server raises the broken-pipe signal when it comes
    // before the read that finds the server gone; it must not end the program.
    kill(app.Pid(), SIGPIPE);
    EXPECT_TRUE(app.WaitFrames(1));
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    EXPECT_EQ(app.WaitExit(), 4);
    EXPECT_EQ(app.Stderr(), "glintwork: lost the connection to the X display \"" + display + "\"\n");
}

}  // namespace

}  // namespace glintwork
