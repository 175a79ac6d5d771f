// The platform's queue and size messages, driven directly.
#include <SDL.h>
#include <gtest/gtest.h>

#include <iterator>
#include <utility>
#include <vector>

#include "tests/framework/FrameworkTestSupport.h"

namespace glintwork {

namespace {

std::vector<std::pair<unsigned, plat::LPARAM>>* seen = nullptr;

plat::LRESULT RecordingProc(plat::HWND hwnd, unsigned message, plat::WPARAM wParam, plat::LPARAM lParam)
{
    if (seen && message != plat::WM_SETCURSOR)
        seen->push_back({message, lParam});
    return plat::DefWindowProc(hwnd, message, wParam, lParam);
}

TEST(Queue, SizeMessagesCarryWidthAndHeightInTheirHalvesAndComeFromInsideTheCall)
{
    std::vector<std::pair<unsigned, plat::LPARAM>> log;
    seen = &log;
    PlainWindow w = MakePlainWindow(RecordingProc, 300, 200, false);
    log.clear();
    plat::ShowWindow(w.hwnd, plat::SW_SHOW);
    plat::SetWindowPos(w.hwnd, nullptr, 0, 0, 640, 480, plat::SWP_NOMOVE | plat::SWP_NOZORDER);
    EXPECT_EQ(log, (decltype(log){{plat::WM_SIZE, 200 << 16 | 300}, {plat::WM_SIZE, 480 << 16 | 640}}));

    // The window system agrees, and nothing repeats the size later.
    log.clear();
    plat::Sync();
    plat::MSG msg;
    while (plat::PeekMessage(&msg))
        if (msg.message == plat::WM_PAINT) {
            plat::BeginPaint(msg.hwnd);
            plat::EndPaint(msg.hwnd);
        }
    plat::Rect client;
    ASSERT_TRUE(plat::GetClientRect(w.hwnd, &client));
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    for (const auto& s : log)
        EXPECT_NE(s.first, plat::WM_SIZE) << std::hex << s.second;

    // Posted messages come in order, before one paint for two invalidations;
    // the paint stays until painting validates it, and a take never blocks.
    plat::InvalidateRect(w.hwnd);
    plat::PostMessage(w.hwnd, plat::WM_USER + 7, 1, 0);
    plat::InvalidateRect(w.hwnd);
    plat::PostMessage(w.hwnd, plat::WM_USER + 8, 2, 0);
    plat::PostQuitMessage(3);
    std::vector<unsigned> order;
    for (int i = 0; i < 5 && plat::PeekMessage(&msg); ++i)
        order.push_back(msg.message);
    EXPECT_EQ(order, (std::vector<unsigned>{plat::WM_USER + 7, plat::WM_USER + 8, plat::WM_QUIT, plat::WM_PAINT,
                                            plat::WM_PAINT}));
    EXPECT_EQ(msg.hwnd, w.hwnd);
    plat::BeginPaint(w.hwnd);
    plat::EndPaint(w.hwnd);
    EXPECT_FALSE(plat::PeekMessage(&msg));

    // A message for a window destroyed since no longer reaches a procedure,
    // and the stale handle is refused.
    plat::HWND stale = w.hwnd;
    plat::PostMessage(stale, plat::WM_USER + 9, 0, 0);
    DestroyPlainWindow(w);
    log.clear();
    ASSERT_TRUE(plat::PeekMessage(&msg));
    plat::DispatchMessage(&msg);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(plat::PostMessage(stale, plat::WM_USER + 9, 0, 0));
    EXPECT_FALSE(plat::IsWindow(stale));
    EXPECT_FALSE(plat::ShowWindow(stale, plat::SW_SHOW));
    seen = nullptr;
}

// A key message's bit 30 holds the key's state before it (a key-up's always
// set: the key was down, even when its press came before the window could
// see it) and bit 31 the transition (set for a key-up).
TEST(Queue, KeyMessagesCarryThePreviousStateAndTheTransition)
{
    PlainWindow w = MakePlainWindow(RecordingProc, 100, 100, true);
    // A paint stays in the queue until painted.
    const auto take = [](plat::MSG& msg) {
        if (!plat::PeekMessage(&msg))
            return false;
        if (msg.message == plat::WM_PAINT) {
            plat::BeginPaint(msg.hwnd);
            plat::EndPaint(msg.hwnd);
        }
        return true;
    };
    plat::MSG msg;
    while (take(msg)) {
    }
    struct Step {
        bool down;
        unsigned message;
        plat::LPARAM stateBits;
    };
    const Step steps[] = {
        {false, plat::WM_KEYUP, 0xC0000000},   // a release never pressed here
        {true, plat::WM_KEYDOWN, 0x00000000},  // a press
        {true, plat::WM_KEYDOWN, 0x40000000},  // its repeat
        {false, plat::WM_KEYUP, 0xC0000000},   // its release
    };
    for (const Step& step : steps) {
        SDL_Event e{};
        e.type = step.down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.state = step.down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = SDLK_q;
        e.key.keysym.scancode = SDL_SCANCODE_Q;
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    std::vector<std::pair<unsigned, plat::LPARAM>> keys;
    while (take(msg)) {
        if (msg.message == plat::WM_KEYDOWN || msg.message == plat::WM_KEYUP) {
            EXPECT_EQ(msg.wParam, plat::WPARAM('Q'));
            EXPECT_EQ(msg.hwnd, w.hwnd);
            keys.push_back({msg.message, msg.lParam & 0xC0000000});
        }
    }
    ASSERT_EQ(keys.size(), std::size(steps));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].first, steps[i].message) << "step " << i;
        EXPECT_EQ(keys[i].second, steps[i].stateBits) << "step " << i;
    }
    DestroyPlainWindow(w);
}

}  // namespace

}  // namespace glintwork
