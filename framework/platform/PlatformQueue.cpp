// The message queue of the portable half: posted messages and input in
// order, then one WM_PAINT for a window whose client area is invalid.
#include "framework/platform/PlatformBackend.h"
#include "framework/platform/PlatformState.h"

namespace glintwork {

namespace plat {

namespace {

// While the mouse is captured its moves are read from the window system, so
// that moves outside the window arrive whatever the toolkit thinks of focus.
void PollCapture()
{
    WindowRecord* w = Find(S().capture);
    if (!w || !w->native)
        return;
    int x = 0, y = 0;
    WPARAM keys = 0;
    if (!backend::Pointer(w->native, &x, &y, &keys))
        return;
    if (x == S().captureX && y == S().captureY)
        return;
    S().captureX = x;
    S().captureY = y;
    Post(w, WM_MOUSEMOVE, keys, MakeLParam(x, y));
}

// Whether the window's client area needs a paint; false for a stale handle.
bool MarkInvalid(HWND hwnd, bool invalid)
{
    WindowRecord* w = Find(hwnd);
    if (!w)
        return false;
    w->invalid = invalid;
    return true;
}

// The window that needs a paint, if any.
WindowRecord* PaintPending()
{
    for (auto& entry : S().windows) {
        WindowRecord* w = entry.second.get();
        if (!w->destroying && w->visible && w->invalid)
            return w;
    }
    return nullptr;
}

void PumpAll()
{
    if (backend::Started()) {
        backend::PumpEvents();
        PollCapture();
    }
}

}  // namespace

void Post(WindowRecord* w, unsigned message, WPARAM wParam, LPARAM lParam)
{
    S().queue.push_back(MSG{HandleOf(w), message, wParam, lParam});
}

bool PostMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd && !Find(hwnd)) {
        SetError("invalid window handle");
        return false;
    }
    S().queue.push_back(MSG{hwnd, message, wParam, lParam});
    return true;
}

void PostQuitMessage(int exitCode)
{
    S().queue.push_back(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<unsigned>(exitCode)), 0});
}

bool PeekMessage(MSG* msg)
{
    if (!msg)
        return false;
    PumpAll();
    State& s = S();
    if (!s.queue.empty()) {
        *msg = s.queue.front();
        s.queue.pop_front();
        return true;
    }
    if (WindowRecord* w = PaintPending()) {
        *msg = MSG{HandleOf(w), WM_PAINT, 0, 0};
        return true;
    }
    return false;
}

void WaitMessage(const int* descriptors, int count, int limitMs)
{
    PumpAll();
    if (!S().queue.empty() || PaintPending())
        return;
    // A held button's moves outside the window are read by polling the
    // pointer, not sent as events.
    constexpr int CapturePollMs = 15;
    if (S().capture && (limitMs < 0 || limitMs > CapturePollMs))
        limitMs = CapturePollMs;
    backend::WaitEvents(descriptors, count, limitMs);
}

bool TranslateMessage(const MSG*)
{
    return false;
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (!msg || !msg->hwnd)
        return 0;
    return SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam)
{
    WindowRecord* w = Find(hwnd);
    if (!w)
        return 0;
    return w->proc(hwnd, message, wParam, lParam);
}

bool InvalidateRect(HWND hwnd)
{
    return MarkInvalid(hwnd, true);
}

bool GetUpdateRect(HWND hwnd, Rect* rect)
{
    WindowRecord* w = Find(hwnd);
    if (!w || !w->invalid)
        return false;
    if (rect)
        *rect = Rect{0, 0, w->width, w->height};
    return true;
}

// The region is validated when painting begins, so an invalidation made
// while painting asks for another paint instead of being lost.
bool BeginPaint(HWND hwnd)
{
    return MarkInvalid(hwnd, false);
}

bool EndPaint(HWND hwnd)
{
    return Find(hwnd) != nullptr;
}

// --- input ---------------------------------------------------------------------

void DeliverKey(WindowRecord* target, int vk, bool down, unsigned scanCode)
{
    State& s = S();
    bool wasDown = s.keyDown[vk];
    s.keyDown[vk] = down;
    if (down)
        s.pressedSinceQuery[vk] = true;
    if (!target)
        return;
    // Repeat count 1, the scan code, the previous state and the transition.
    std::uint32_t bits = 1u | (static_cast<std::uint32_t>(scanCode) & 0xFFu) << 16;
    if (wasDown || !down)
        bits |= 1u << 30;
    if (!down)
        bits |= 1u << 31;
    Post(target, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(bits));
}

HWND SetCapture(HWND hwnd)
{
    State& s = S();
    HWND previous = s.capture;
    WindowRecord* w = Find(hwnd);
    if (!w)
        return previous;
    s.capture = hwnd;
    WPARAM keys = 0;
    if (!w->native || !backend::Pointer(w->native, &s.captureX, &s.captureY, &keys))
        s.captureX = s.captureY = -1;
    if (backend::Started())
        backend::CaptureMouse(true);
    return previous;
}

bool ReleaseCapture()
{
    State& s = S();
    if (!s.capture)
        return true;
    s.capture = nullptr;
    if (backend::Started())
        backend::CaptureMouse(false);
    return true;
}

HWND GetCapture()
{
    return Find(S().capture) ? S().capture : nullptr;
}

std::int16_t GetAsyncKeyState(int vk)
{
    State& s = S();
    if (vk <= 0 || vk > 255)
        return 0;
    bool down = s.keyDown[vk];
    if (backend::Started() && (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU))
        down = backend::ModifierDown(vk);
    bool pressed = s.pressedSinceQuery[vk];
    s.pressedSinceQuery[vk] = false;
    return static_cast<std::int16_t>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

// --- cursors -------------------------------------------------------------------

HCURSOR LoadCursor(int id)
{
    if (id != IDC_ARROW && id != IDC_CROSS && id != IDC_WAIT)
        return nullptr;
    return ToHandle<HCURSOR>(static_cast<std::uintptr_t>(id));
}

HCURSOR SetCursor(HCURSOR cursor)
{
    State& s = S();
    HCURSOR previous = s.cursor;
    s.cursor = cursor;
    if (backend::Started())
        backend::ShowCursor(static_cast<int>(ToId(cursor)));
    return previous;
}

bool IsCursorShown()
{
    return S().cursor != nullptr;
}

}  // namespace plat

}  // namespace glintwork
