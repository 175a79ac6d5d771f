// Real X key presses sent with xdotool to a real window. Each step waits for
// the events of the one before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/framework/FrameworkTestSupport.h"

namespace glintwork {

namespace {

bool Has(const Log& log, const std::string& line)
{
    return std::find(log.begin(), log.end(), line) != log.end();
}

TEST(Input, LettersArriveAsUpperCaseCodesWithAndWithoutShift)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    const auto run = [](const std::string& command) { EXPECT_EQ(std::system(command.c_str()), 0) << command; };
    int phase = 0;
    bool shiftWhileHeld = false, shiftBefore = true;
    app.onIdle = [&] {
        if (phase == 0 && window.displays > 0) {
            run("xdotool windowfocus --sync " + std::to_string(plat::NativeWindowId(window.extra->hWnd)) +
                       " key a");
            phase = 1;
        } else if (phase == 1 && Has(log, "w key 65 up")) {
            shiftBefore = window.ShiftDown();
            run("xdotool keydown shift");
            phase = 2;
        } else if (phase == 2 && Has(log, "w key 16 down")) {
            shiftWhileHeld = window.ShiftDown();
            run("xdotool key a keyup shift key 1 Escape F5 KP_Add");
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

}  // namespace

}  // namespace glintwork
