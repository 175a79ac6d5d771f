// Main's loop seen from an application: the order of events, the exit code,
// the frame limit and the one-application rule.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <tuple>

#include "tests/framework/FrameworkTestSupport.h"

namespace glintwork {

namespace {

// SetSize runs OnResize with the new size before it returns; the first paint
// closes the window.
TEST(Loop, EventsFromCreationThroughAResizeToFirstPaintAndClose)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    GLint viewport[4] = {0, 0, 0, 0};
    window.onCreate = [&] {
        window.SetSize(400, 300);
        log.push_back("set size done " + std::to_string(window.Width()) + "x" + std::to_string(window.Height()));
        glGetIntegerv(GL_VIEWPORT, viewport);
    };
    window.onDisplay = [&] { window.Close(); };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(app.timedOut);
    EXPECT_EQ(log, (Log{"app create", "w resize 320x240", "w create", "w resize 400x300", "set size done 400x300",
                        "w display", "app destroy"}));
    EXPECT_EQ(std::tuple(viewport[2], viewport[3]), std::tuple(400, 300));
    EXPECT_DOUBLE_EQ(window.Aspect(), 4.0 / 3.0);
    EXPECT_STREQ(app.GetArg(1), "");
    EXPECT_STREQ(app.GetArguments()[0], "framework_tests");
}

TEST(Loop, AFrameLimitClosesTheMainWindowAfterThatManySwaps)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow main(&log, "main");
    RecordingWindow other(&log, "other");  // its swaps do not count
    main.SetFrameLimit(3);
    other.SetFrameLimit(1);
    app.onIdle = [&] {
        main.Redraw();
        other.Redraw();
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(app.timedOut);
    EXPECT_EQ(main.displays, 3);
}

// Inside a long paint, input waiting is handed over at once; a close request
// stays queued, in order, for the loop, which ends after the paint.
TEST(Loop, InputIsServedDuringAPaintAndTheCloseRequestWaitsForTheLoop)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    bool closing = false;
    window.onDisplay = [&] {
        const plat::HWND hwnd = window.extra->hWnd;
        plat::PostMessage(hwnd, plat::WM_KEYDOWN, 'A', 0);
        plat::PostMessage(hwnd, plat::WM_CLOSE, 5, 0);
        plat::PostMessage(hwnd, plat::WM_KEYDOWN, 'B', 0);
        closing = Main::Get()->ServeInput();
        log.push_back("served");
    };
    EXPECT_EQ(app.Run(), 5);
    EXPECT_TRUE(closing);
    EXPECT_EQ(Filter(log, "w key"), (Log{"w key 65 down", "w key 66 down"}));
    EXPECT_EQ(window.displays, 1);
    EXPECT_EQ(log.back(), "app destroy");
    EXPECT_EQ(*(std::find(log.begin(), log.end(), "w key 66 down") + 1), "served");
}

// Whether the first thread is asleep in the loop's own wait: a poll of two
// descriptors (display and pipe) with no time limit; the display library's
// own waits poll one.
bool AsleepInTheLoop()
{
    std::ifstream file("/proc/self/task/" + std::to_string(getpid()) + "/syscall");
    long number = -1;
    std::string descriptors, count, limit;
    file >> number >> descriptors >> count >> limit;
    return number == SYS_poll && count == "0x2" && limit.find("0xffffffff") == 0;
}

// An application that asks to wait is found asleep in the loop whenever
// nothing is happening, and each byte written to its pipe wakes it once.
TEST(Loop, AnApplicationThatWaitsSleepsUntilItsDescriptorIsReadable)
{
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    std::atomic<int> taken{0};
    app.waitWhenIdle = [&](App::IdleWait& wait) {
        wait.descriptors.push_back(ends[0]);
        return true;
    };
    app.onIdle = [&] {
        char byte;
        while (read(ends[0], &byte, 1) == 1)
            ++taken;
        if (taken == 3)
            window.Close();
    };
    std::atomic<int> seenAsleep{0};
    std::atomic<bool> ended{false};  // the loop gave up (RecordingApp's time limit)
    std::thread writer([&] {
        for (int i = 0; i < 3 && !ended; ++i) {
            while (!(taken == i && AsleepInTheLoop()) && !ended)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            seenAsleep += taken == i && AsleepInTheLoop();
            ASSERT_EQ(write(ends[1], "x", 1), 1);
        }
    });
    EXPECT_EQ(app.Run(), 0);
    ended = true;
    writer.join();
    EXPECT_EQ(seenAsleep, 3);
    EXPECT_EQ(taken, 3);
    close(ends[0]);
    close(ends[1]);
}

TEST(Loop, ASecondApplicationObjectMakesExecuteRefuseWithStatusOne)
{
    Log log;
    RecordingApp first(&log);
    RecordingApp second(&log);
    EXPECT_STREQ(FrameworkFailureReason(), "Error: more than one application instance defined!");
    EXPECT_EQ(first.Run(), 1);
    EXPECT_EQ(log, Log{});  // nothing was created
}

}  // namespace

}  // namespace glintwork
