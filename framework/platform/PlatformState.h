// The portable half of the platform window layer keeps its records here: the
// handle tables, the class registry, the message queue and the key states.
// Windows, contexts and palettes are handed out as numbered handles that are
// looked up on every call, so a stale handle is refused instead of followed.
// The backend files see these records too; the portable files reach the
// backend only through PlatformBackend.h.
#ifndef GLINTWORK_PLATFORMSTATE_H
#define GLINTWORK_PLATFORMSTATE_H

#include "framework/platform/PlatformWindow.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace glintwork {

namespace plat {

// The backend's own window and GL context; the portable half only stores them.
struct NativeWindow;
struct NativeContext;

struct ClassRecord {
    std::string name;
    WNDPROC proc = nullptr;
    ATOM atom = 0;
};

struct WindowRecord {
    std::uintptr_t id = 0;
    WNDPROC proc = nullptr;
    NativeWindow* native = nullptr;  // made when the pixel format is set
    std::string title;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::intptr_t userData = 0;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;  // requested top-left corner
    int width = 0, height = 0;                 // client size last reported
    bool visible = false;
    bool sizeSent = false;  // a WM_SIZE has told the window its size
    // The window's size changed since its GL context was last bound to it. The
    // software GL library sizes a window's buffers only after a swap, so the
    // next bind swaps once (a cleared picture); otherwise the drawing right
    // after a resize would go into buffers of the old size.
    bool drawableStale = false;
    bool invalid = false;  // the client area needs a paint
    bool destroying = false;
    int pixelFormat = 0;
    PixelFormatDescriptor obtained;  // what the drawable really has
    HPALETTE palette = nullptr;
};

struct FormatRecord {
    PixelFormatDescriptor request;   // the (possibly relaxed) request that works
    PixelFormatDescriptor obtained;  // what a drawable made from it has
};

struct State {
    bool exitHandlerSet = false;
    std::uintptr_t nextId = 1;
    std::vector<ClassRecord> classes;
    std::map<std::uintptr_t, std::unique_ptr<WindowRecord>> windows;  // ids grow: creation order
    std::map<std::uintptr_t, NativeContext*> contexts;
    std::map<std::uintptr_t, std::vector<PaletteEntry>> palettes;
    HCURSOR cursor = reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(IDC_ARROW));
    std::deque<MSG> queue;
    std::vector<FormatRecord> formats;  // format n is formats[n - 1]
    std::vector<std::pair<PixelFormatDescriptor, int>> chosen;
    HWND capture = nullptr;
    int captureX = 0, captureY = 0;  // pointer position last reported to the capture window
    std::array<bool, 256> keyDown{};
    std::array<bool, 256> pressedSinceQuery{};
    std::string lastError;
    bool offscreenOnly = false;  // ChooseDrawingPlace(Offscreen)
};

// Never destroyed: windows may still be taken down by static destructors.
State& S();

void SetError(const char* text);

template <class H> H ToHandle(std::uintptr_t id)
{
    return reinterpret_cast<H>(id);
}
template <class H> std::uintptr_t ToId(H handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

// The live window of a handle (or of a window id), null for any other.
WindowRecord* Find(HWND hwnd);
WindowRecord* FindDC(HDC hdc);
HWND HandleOf(const WindowRecord* w);

// Starts the backend on first use; the shutdown then runs at exit.
bool EnsureVideo();
// Takes every window and context down and stops the backend.
void Shutdown();

// Sends WM_SIZE with the size the record holds.
void SendSize(WindowRecord* w);
// Shows the window's native window and tells it its size once.
void ShowNative(WindowRecord* w);
void Post(WindowRecord* w, unsigned message, WPARAM wParam, LPARAM lParam);
// Records a key going down or up and posts it to `target` (if any). `scanCode`
// goes into bits 16 to 23 of lParam.
void DeliverKey(WindowRecord* target, int vk, bool down, unsigned scanCode);

}  // namespace plat

}  // namespace glintwork

#endif  // GLINTWORK_PLATFORMSTATE_H
