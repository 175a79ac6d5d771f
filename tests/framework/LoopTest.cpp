// Main's loop seen from an application: the order of events, posted messages
// against paints and idle passes, the exit code, GLINTWORK_FRAMES, and the
// one-application rule.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "tests/framework/FrameworkTestSupport.h"

namespace {

TEST(Loop, EventsFromCreationToFirstPaintAndClose)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    window.onDisplay = [&] {
        window.SwapBuffers();
        window.Close();
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(app.timedOut);
    EXPECT_EQ(log, (Log{"app create", "w resize 320x240", "w create", "w display", "app destroy"}));
    EXPECT_EQ(app.GetArgc(), 1);
    EXPECT_STREQ(app.GetArg(0), "framework_tests");
    EXPECT_STREQ(app.GetArg(-1), "");
    EXPECT_STREQ(app.GetArg(1), "");
}

Log* probeLog = nullptr;

plat::LRESULT ProbeProc(plat::HWND hwnd, unsigned message, plat::WPARAM wParam, plat::LPARAM lParam)
{
    if (message > plat::WM_USER && probeLog)
        probeLog->push_back("probe " + std::to_string(message - plat::WM_USER));
    return plat::DefWindowProc(hwnd, message, wParam, lParam);
}

TEST(Loop, PostedMessagesRunInOrderBeforeThePaintAndIdleWaitsForAnEmptyQueue)
{
    Log log;
    probeLog = &log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    ASSERT_NE(plat::RegisterClass("Probe", ProbeProc), 0);
    plat::HWND probe = plat::CreateWindow("Probe", "", 0, 0, 0, 0, 10, 10, nullptr);
    int phase = 0;
    app.onIdle = [&] {
        if (phase == 0 && window.displays > 0) {
            plat::Sync();  // exposures of the new window are in before the steps below
            phase = 1;
        } else if (phase == 1) {
            log.push_back("idle post");
            for (unsigned n : {10u, 11u, 12u})
                plat::PostMessage(probe, plat::WM_USER + n, 0, 0);
            window.Redraw();
            window.Redraw();
            phase = 2;
        } else if (phase == 2) {
            log.push_back("idle after");
            window.Close();
            phase = 3;
        }
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(app.timedOut);
    auto at = std::find(log.begin(), log.end(), "idle post");
    ASSERT_NE(at, log.end());
    EXPECT_EQ(Log(at, log.end()),
              (Log{"idle post", "probe 10", "probe 11", "probe 12", "w display", "idle after", "app destroy"}));
    plat::DestroyWindow(probe);
    probeLog = nullptr;
}

TEST(Loop, TheCloseRequestsCodeIsTheExitCode)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    // The close is posted before the pending first paint, so no paint happens.
    window.onCreate = [&] { plat::PostMessage(window.extra->hWnd, plat::WM_CLOSE, 7, 0); };
    EXPECT_EQ(app.Run(), 7);
    EXPECT_EQ(log, (Log{"app create", "w resize 320x240", "w create", "app destroy"}));
    EXPECT_FALSE(window.IsVisible());
}

TEST(Loop, FramesVariableClosesTheMainWindowAfterThatManySwaps)
{
    ASSERT_EQ(setenv("GLINTWORK_FRAMES", "3", 1), 0);
    Log log;
    RecordingApp app(&log);
    RecordingWindow main(&log, "main");
    RecordingWindow other(&log, "other");  // its swaps do not count
    app.onIdle = [&] {
        main.Redraw();
        other.Redraw();
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(app.timedOut);
    EXPECT_EQ(main.displays, 3);
    unsetenv("GLINTWORK_FRAMES");
}

TEST(Loop, SetSizeRunsOnResizeWithTheNewSizeBeforeItReturns)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    GLint viewport[4] = {0, 0, 0, 0};
    window.onCreate = [&] {
        log.push_back("set size");
        window.SetSize(400, 300);
        log.push_back("set size done " + std::to_string(window.Width()) + "x" + std::to_string(window.Height()));
        glGetIntegerv(GL_VIEWPORT, viewport);
        window.Close();
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(log, (Log{"app create", "w resize 320x240", "w create", "set size", "w resize 400x300",
                        "set size done 400x300", "app destroy"}));
    EXPECT_EQ(viewport[2], 400);
    EXPECT_EQ(viewport[3], 300);
    EXPECT_DOUBLE_EQ(window.Aspect(), 4.0 / 3.0);
    window.SetSize(-10, 100);  // the window is gone: only the record changes
    EXPECT_EQ(window.Width(), 0);
    EXPECT_EQ(window.Height(), 100);
    EXPECT_DOUBLE_EQ(window.Aspect(), 0.0);
}

TEST(Loop, NestedHandlersOfAnotherWindowRestoreTheOuterContext)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow a(&log, "a");
    RecordingWindow b(&log, "b");
    bool outerRestored = false;
    a.onCreate = [&] {
        b.SetSize(200, 100);  // b's OnResize runs now, in b's context
        outerRestored = plat::GetCurrentContext() == a.extra->hGLRC;
        a.Close();
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(outerRestored);
    EXPECT_NE(std::find(log.begin(), log.end(), "b resize 200x100"), log.end());
    for (const std::string& line : log)
        EXPECT_EQ(line.find("no context"), std::string::npos) << line;
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

TEST(Loop, QuitWithoutAMainWindowDoesNothingAndExecuteWithoutWindowsReturnsZero)
{
    Log log;
    RecordingApp app(&log);
    app.Quit();
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(log, (Log{"app create", "app destroy"}));
}

}  // namespace
