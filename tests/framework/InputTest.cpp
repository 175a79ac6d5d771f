// Real X input sent with xdotool to a real window: key codes and mouse
// capture. Each step waits for the events of the one before.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/framework/FrameworkTestSupport.h"

namespace {

std::string Xdotool(const std::string& arguments)
{
    return "xdotool " + arguments + " >/dev/null";
}

std::string Id(GLWindow& window)
{
    return std::to_string(plat::NativeWindowId(window.extra->hWnd));
}

bool Has(const Log& log, const std::string& line)
{
    return std::find(log.begin(), log.end(), line) != log.end();
}

TEST(Input, LettersArriveAsUpperCaseCodesWithAndWithoutShift)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    int phase = 0;
    bool shiftWhileHeld = false, shiftBefore = true;
    app.onIdle = [&] {
        if (phase == 0 && window.displays > 0) {
            RunCommand(Xdotool("windowfocus --sync " + Id(window) + " key a"));
            phase = 1;
        } else if (phase == 1 && Has(log, "w key 65 up")) {
            shiftBefore = window.ShiftDown();
            RunCommand(Xdotool("keydown shift"));
            phase = 2;
        } else if (phase == 2 && Has(log, "w key 16 down")) {
            shiftWhileHeld = window.ShiftDown();
            RunCommand(Xdotool("key a keyup shift key 1 Escape F5 KP_Add"));
            phase = 3;
        } else if (phase == 3 && Has(log, "w key 107 up")) {
            window.Close();
            phase = 4;
        }
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(app.timedOut);
    EXPECT_EQ(Filter(log, "w key"),
              (Log{"w key 65 down", "w key 65 up", "w key 16 down", "w key 65 down", "w key 65 up", "w key 16 up",
                   "w key 49 down", "w key 49 up", "w key 27 down", "w key 27 up", "w key 116 down", "w key 116 up",
                   "w key 107 down", "w key 107 up"}));
    EXPECT_FALSE(shiftBefore);
    EXPECT_TRUE(shiftWhileHeld);
}

TEST(Input, AHeldButtonCapturesTheMouseOutsideTheWindow)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    window.recordMoves = true;
    int phase = 0, left = 0, top = 0;
    app.onIdle = [&] {
        if (phase == 0 && window.displays > 0) {
            window.GetPosition(left, top);
            RunCommand(Xdotool("mousemove --sync --window " + Id(window) + " 10 20"));
            phase = 1;
        } else if (phase == 1 && Has(log, "w move 10,219")) {
            RunCommand(Xdotool("mousedown 1"));
            phase = 2;
        } else if (phase == 2 && Has(log, "w button 0 down")) {
            RunCommand(Xdotool("mousemove --sync 100 100"));
            phase = 3;
        } else if (phase == 3 && !Filter(log, "w move " + std::to_string(100 - left) + ",").empty()) {
            RunCommand(Xdotool("mouseup 1"));
            phase = 4;
        } else if (phase == 4 && Has(log, "w button 0 up")) {
            window.Close();
            phase = 5;
        }
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(app.timedOut);
    // Client y counts up from the bottom row: a pointer 20 rows below the top
    // of a 240-row window is at row 219; outside, above-left of the window,
    // x is negative and y beyond the top row.
    std::string outside = "w move " + std::to_string(100 - left) + "," + std::to_string(240 - (100 - top) - 1);
    Log buttonsAndMoves = Filter(log, "w b");
    EXPECT_EQ(buttonsAndMoves, (Log{"w button 0 down", "w button 0 up"}));
    EXPECT_TRUE(Has(log, outside)) << outside;
    auto down = std::find(log.begin(), log.end(), "w button 0 down");
    auto out = std::find(log.begin(), log.end(), outside);
    auto up = std::find(log.begin(), log.end(), "w button 0 up");
    EXPECT_LT(down, out);
    EXPECT_LT(out, up);
    EXPECT_LT(100 - left, 0);
}

}  // namespace
