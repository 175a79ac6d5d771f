// Windows of the portable half: creation, destruction, window longs,
// visibility, title, rectangles and position. The native window is made when
// the pixel format is set; until then what is asked is recorded.
#include "framework/platform/PlatformBackend.h"
#include "framework/platform/PlatformState.h"

#include <algorithm>

namespace glintwork {

namespace plat {

const HWND HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2));

void SendSize(WindowRecord* w)
{
    w->sizeSent = true;
    w->drawableStale = true;
    HWND hwnd = HandleOf(w);
    SendMessage(hwnd, WM_SIZE, 0, MakeLParam(w->width, w->height));
}

void ShowNative(WindowRecord* w)
{
    backend::Show(w->native);
    w->invalid = true;
    backend::GetSize(w->native, &w->width, &w->height);
    if (!w->sizeSent)
        SendSize(w);
}

HWND CreateWindow(const char* className, const char* title, std::uint32_t style, std::uint32_t exStyle, int x, int y,
                  int width, int height, void* createParam)
{
    State& s = S();
    if (!className)
        return nullptr;
    WNDPROC proc = nullptr;
    for (const ClassRecord& c : s.classes)
        if (c.proc && c.name == className)
            proc = c.proc;
    if (!proc) {
        SetError("window class not registered");
        return nullptr;
    }
    if (!EnsureVideo())
        return nullptr;
    auto record = std::make_unique<WindowRecord>();
    WindowRecord* w = record.get();
    w->id = s.nextId++;
    w->proc = proc;
    w->title = title ? title : "";
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->x = x;
    w->y = y;
    w->width = std::max(0, width);
    w->height = std::max(0, height);
    w->visible = (style & WS_VISIBLE) != 0;
    s.windows[w->id] = std::move(record);
    HWND hwnd = ToHandle<HWND>(w->id);
    CREATESTRUCT create{createParam, title, className};
    if (SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) == 0) {
        DestroyWindow(hwnd);
        SetError("window refused its creation");
        return nullptr;
    }
    return hwnd;
}

bool DestroyWindow(HWND hwnd)
{
    WindowRecord* w = Find(hwnd);
    if (!w)
        return false;
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    w = Find(hwnd);
    if (!w)
        return true;  // destroyed from inside its own WM_DESTROY
    w->destroying = true;
    if (S().capture == hwnd)
        ReleaseCapture();
    if (w->native)
        backend::DestroyWindow(w->native);
    w->native = nullptr;
    S().windows.erase(w->id);
    return true;
}

bool IsWindow(HWND hwnd)
{
    return Find(hwnd) != nullptr;
}

LRESULT DefWindowProc(HWND hwnd, unsigned message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        return 1;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SETCURSOR:
        if (static_cast<int>(LowWord(lParam)) == HTCLIENT) {
            SetCursor(LoadCursor(IDC_ARROW));
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

std::intptr_t GetWindowLong(HWND hwnd, int index)
{
    WindowRecord* w = Find(hwnd);
    if (!w) {
        SetError("invalid window handle");
        return 0;
    }
    switch (index) {
    case GWL_STYLE:
        return static_cast<std::intptr_t>(w->style | (w->visible ? WS_VISIBLE : 0u));
    case GWL_EXSTYLE:
        return static_cast<std::intptr_t>(w->exStyle);
    case GWL_USERDATA:
        return w->userData;
    default:
        SetError("invalid window-long index");
        return 0;
    }
}

std::intptr_t SetWindowLong(HWND hwnd, int index, std::intptr_t value)
{
    WindowRecord* w = Find(hwnd);
    if (!w) {
        SetError("invalid window handle");
        return 0;
    }
    std::intptr_t previous = GetWindowLong(hwnd, index);
    switch (index) {
    case GWL_STYLE: {
        auto style = static_cast<std::uint32_t>(value);
        w->style = style & ~WS_VISIBLE;
        if (w->native)
            backend::SetFrame(w->native, style);
        break;
    }
    case GWL_EXSTYLE: {
        w->exStyle = static_cast<std::uint32_t>(value);
        if (w->native)
            backend::SetTopmost(w->native, (w->exStyle & WS_EX_TOPMOST) != 0);
        break;
    }
    case GWL_USERDATA:
        w->userData = value;
        break;
    default:
        break;
    }
    return previous;
}

bool ShowWindow(HWND hwnd, int command)
{
    WindowRecord* w = Find(hwnd);
    if (!w)
        return false;
    bool was = w->visible;
    if (command == SW_HIDE) {
        w->visible = false;
        w->invalid = false;
        if (w->native)
            backend::Hide(w->native);
    } else {
        w->visible = true;
        if (w->native && !was)
            ShowNative(w);
    }
    return was;
}

bool IsWindowVisible(HWND hwnd)
{
    WindowRecord* w = Find(hwnd);
    return w && w->visible;
}

bool SetWindowText(HWND hwnd, const char* text)
{
    WindowRecord* w = Find(hwnd);
    if (!w || !text)
        return false;
    w->title = text;
    if (w->native)
        backend::SetTitle(w->native, text);
    return true;
}

bool GetClientRect(HWND hwnd, Rect* rect)
{
    WindowRecord* w = Find(hwnd);
    if (!w || !rect)
        return false;
    *rect = Rect{0, 0, w->width, w->height};
    return true;
}

bool GetWindowRect(HWND hwnd, Rect* rect)
{
    WindowRecord* w = Find(hwnd);
    if (!w || !rect)
        return false;
    int x = w->x, y = w->y;
    bool placed = w->native && backend::ScreenPosition(w->native, &x, &y);
    if (!placed && (x == CW_USEDEFAULT || y == CW_USEDEFAULT)) {
        SetError("window has no position yet");
        return false;
    }
    *rect = Rect{x, y, x + w->width, y + w->height};
    return true;
}

bool AdjustWindowRect(Rect* rect, std::uint32_t)
{
    return rect != nullptr;
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, unsigned flags)
{
    WindowRecord* w = Find(hwnd);
    if (!w) {
        SetError("invalid window handle");
        return false;
    }
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
            std::uint32_t ex = w->exStyle;
            ex = insertAfter == HWND_TOPMOST ? (ex | WS_EX_TOPMOST) : (ex & ~WS_EX_TOPMOST);
            SetWindowLong(hwnd, GWL_EXSTYLE, static_cast<std::intptr_t>(ex));
        } else if (w->native && w->visible) {
            backend::Raise(w->native);
        }
    }
    if (!(flags & SWP_NOMOVE)) {
        w->x = x;
        w->y = y;
        if (w->native)
            backend::SetPosition(w->native, x, y);
    }
    if (!(flags & SWP_NOSIZE)) {
        w->width = std::max(0, width);
        w->height = std::max(0, height);
        if (w->native) {
            w->native = backend::SetSize(w->native, std::max(1, width), std::max(1, height));
            backend::GetSize(w->native, &w->width, &w->height);
        }
        SendSize(w);
    }
    return true;
}

bool GetDisplayMode(int* width, int* height)
{
    return EnsureVideo() && backend::DisplayMode(width, height);
}

unsigned long NativeWindowId(HWND hwnd)
{
    WindowRecord* w = Find(hwnd);
    return w ? backend::NativeId(w->native) : 0;
}

bool RequestClose(HWND hwnd)
{
    WindowRecord* w = Find(hwnd);
    return w && backend::RequestClose(w->native);
}

void OnConnectionLost(ConnectionLostHandler handler)
{
    backend::OnConnectionLost(handler);
}

void Sync()
{
    for (auto& entry : S().windows)
        if (entry.second->native && backend::Sync(entry.second->native))
            return;
}

}  // namespace plat

}  // namespace glintwork
