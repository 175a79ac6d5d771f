// The platform's queue and size messages, driven directly.
#include <gtest/gtest.h>

#include "tests/framework/FrameworkTestSupport.h"

namespace {

struct Seen {
    unsigned message;
    plat::LPARAM lParam;
};
std::vector<Seen>* seen = nullptr;

plat::LRESULT RecordingProc(plat::HWND hwnd, unsigned message, plat::WPARAM wParam, plat::LPARAM lParam)
{
    if (seen && message != plat::WM_SETCURSOR)
        seen->push_back(Seen{message, lParam});
    return plat::DefWindowProc(hwnd, message, wParam, lParam);
}

// Takes everything that waits, painting what asks for it.
void Drain()
{
    plat::Sync();
    plat::MSG msg;
    while (plat::PeekMessage(&msg)) {
        if (msg.message == plat::WM_PAINT) {
            plat::BeginPaint(msg.hwnd);
            plat::EndPaint(msg.hwnd);
        }
    }
}

TEST(Queue, SizeMessagesCarryWidthAndHeightInTheirHalvesAndComeFromInsideTheCall)
{
    std::vector<Seen> log;
    seen = &log;
    PlainWindow w = MakePlainWindow(RecordingProc, 300, 200, false);
    log.clear();
    plat::ShowWindow(w.hwnd, plat::SW_SHOW);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].message, plat::WM_SIZE);
    EXPECT_EQ(log[0].lParam, 0x00C8012C);  // 200 << 16 | 300

    log.clear();
    plat::SetWindowPos(w.hwnd, nullptr, 0, 0, 640, 480, plat::SWP_NOMOVE | plat::SWP_NOZORDER);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].message, plat::WM_SIZE);
    EXPECT_EQ(log[0].lParam, 0x01E00280);  // 480 << 16 | 640

    // The window system agrees, and nothing repeats the size later.
    log.clear();
    Drain();
    plat::Rect client;
    ASSERT_TRUE(plat::GetClientRect(w.hwnd, &client));
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    for (const Seen& s : log)
        EXPECT_NE(s.message, plat::WM_SIZE) << std::hex << s.lParam;
    seen = nullptr;
    DestroyPlainWindow(w);
}

TEST(Queue, PostedMessagesComeInOrderBeforeOnePaintAndATakeNeverBlocks)
{
    PlainWindow w = MakePlainWindow(RecordingProc, 100, 100, true);
    Drain();
    plat::InvalidateRect(w.hwnd);
    plat::PostMessage(w.hwnd, plat::WM_USER + 7, 1, 0);
    plat::InvalidateRect(w.hwnd);
    plat::PostMessage(w.hwnd, plat::WM_USER + 8, 2, 0);
    plat::PostQuitMessage(3);

    std::vector<unsigned> order;
    plat::MSG msg;
    for (int i = 0; i < 3 && plat::PeekMessage(&msg); ++i)
        order.push_back(msg.message);
    EXPECT_EQ(order, (std::vector<unsigned>{plat::WM_USER + 7, plat::WM_USER + 8, plat::WM_QUIT}));
    EXPECT_EQ(msg.wParam, 3u);

    // Two invalidations, one paint; it stays until painting validates it.
    ASSERT_TRUE(plat::PeekMessage(&msg));
    EXPECT_EQ(msg.message, plat::WM_PAINT);
    EXPECT_EQ(msg.hwnd, w.hwnd);
    ASSERT_TRUE(plat::PeekMessage(&msg));
    EXPECT_EQ(msg.message, plat::WM_PAINT);
    plat::BeginPaint(w.hwnd);
    plat::EndPaint(w.hwnd);
    EXPECT_FALSE(plat::PeekMessage(&msg));

    // A hidden window is not painted, however invalid.
    plat::ShowWindow(w.hwnd, plat::SW_HIDE);
    plat::InvalidateRect(w.hwnd);
    EXPECT_FALSE(plat::PeekMessage(&msg));
    DestroyPlainWindow(w);
}

TEST(Queue, MessagesForADestroyedWindowAreRefused)
{
    std::vector<Seen> log;
    seen = &log;
    PlainWindow w = MakePlainWindow(RecordingProc, 100, 100, false);
    plat::HWND stale = w.hwnd;
    plat::PostMessage(stale, plat::WM_USER + 9, 0, 0);
    DestroyPlainWindow(w);
    log.clear();
    plat::MSG msg;
    ASSERT_TRUE(plat::PeekMessage(&msg));
    plat::DispatchMessage(&msg);  // no longer reaches a procedure
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(plat::PostMessage(stale, plat::WM_USER + 9, 0, 0));
    EXPECT_FALSE(plat::IsWindow(stale));
    EXPECT_FALSE(plat::ShowWindow(stale, plat::SW_SHOW));
    seen = nullptr;
}

}  // namespace
