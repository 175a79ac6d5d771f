// The window-system layer beneath the framework: windows, their message
// queue, pixel formats, GL contexts, input, cursors and a few process
// services. Its shape follows the classic desktop window API (message
// numbers, wParam/lParam encodings, virtual-key codes) because the framework
// above depends on that shape; one backend file implements it. Nothing in
// this header names the backend's own types.
#ifndef GLINTWORK_PLATFORMWINDOW_H
#define GLINTWORK_PLATFORMWINDOW_H

#include <cstdint>

namespace glintwork {

namespace plat {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using ATOM = std::uint16_t;

// Opaque handles. A handle of something that no longer exists is simply
// refused by every operation; it never reaches freed memory.
struct HWND__;
using HWND = HWND__*;
struct HDC__;
using HDC = HDC__*;  // the drawable of a window
struct HGLRC__;
using HGLRC = HGLRC__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
struct HPALETTE__;
using HPALETTE = HPALETTE__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

using WNDPROC = LRESULT (*)(HWND, unsigned, WPARAM, LPARAM);

// Messages.
constexpr unsigned WM_NULL = 0;
constexpr unsigned WM_DESTROY = 2;
constexpr unsigned WM_SIZE = 5;
constexpr unsigned WM_PAINT = 15;
constexpr unsigned WM_CLOSE = 16;
constexpr unsigned WM_QUIT = 18;
constexpr unsigned WM_SETCURSOR = 32;
constexpr unsigned WM_NCCREATE = 129;
constexpr unsigned WM_NCMOUSEMOVE = 160;
constexpr unsigned WM_KEYDOWN = 256;
constexpr unsigned WM_KEYUP = 257;
constexpr unsigned WM_MOUSEMOVE = 512;
constexpr unsigned WM_LBUTTONDOWN = 513;
constexpr unsigned WM_LBUTTONUP = 514;
constexpr unsigned WM_LBUTTONDBLCLK = 515;
constexpr unsigned WM_RBUTTONDOWN = 516;
constexpr unsigned WM_RBUTTONUP = 517;
constexpr unsigned WM_RBUTTONDBLCLK = 518;
constexpr unsigned WM_MBUTTONDOWN = 519;
constexpr unsigned WM_MBUTTONUP = 520;
constexpr unsigned WM_MBUTTONDBLCLK = 521;
constexpr unsigned WM_USER = 1024;

// Mouse-message wParam bits.
constexpr WPARAM MK_LBUTTON = 0x01;
constexpr WPARAM MK_RBUTTON = 0x02;
constexpr WPARAM MK_SHIFT = 0x04;
constexpr WPARAM MK_CONTROL = 0x08;
constexpr WPARAM MK_MBUTTON = 0x10;

// Hit-test code in the low half of WM_SETCURSOR's lParam.
constexpr int HTCLIENT = 1;

inline LPARAM MakeLParam(int low, int high)
{
    return static_cast<LPARAM>(static_cast<std::uint32_t>((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16 |
                                                          (static_cast<std::uint32_t>(low) & 0xFFFFu)));
}
inline unsigned LowWord(LPARAM l)
{
    return static_cast<unsigned>(l) & 0xFFFFu;
}
inline unsigned HighWord(LPARAM l)
{
    return (static_cast<unsigned>(l) >> 16) & 0xFFFFu;
}
// The halves read as signed numbers (mouse positions outside the window).
inline int SignedLow(LPARAM l)
{
    return static_cast<std::int16_t>(LowWord(l));
}
inline int SignedHigh(LPARAM l)
{
    return static_cast<std::int16_t>(HighWord(l));
}

// Virtual-key codes. Letters are their upper-case character codes and digits
// their character codes, whatever Shift or Caps Lock say.
constexpr int VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18, VK_PAUSE = 19,
              VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36,
              VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_SNAPSHOT = 44, VK_INSERT = 45, VK_DELETE = 46,
              VK_LWIN = 91, VK_RWIN = 92, VK_APPS = 93, VK_NUMPAD0 = 96, VK_MULTIPLY = 106, VK_ADD = 107,
              VK_SUBTRACT = 109, VK_DECIMAL = 110, VK_DIVIDE = 111, VK_F1 = 112, VK_NUMLOCK = 144, VK_SCROLL = 145,
              VK_OEM_1 = 186, VK_OEM_PLUS = 187, VK_OEM_COMMA = 188, VK_OEM_MINUS = 189, VK_OEM_PERIOD = 190,
              VK_OEM_2 = 191, VK_OEM_3 = 192, VK_OEM_4 = 219, VK_OEM_5 = 220, VK_OEM_6 = 221, VK_OEM_7 = 222;

// Window styles. The platform honours the caption (a frame with a title bar)
// and the sizing frame; the rest is kept and reported back.
constexpr std::uint32_t WS_OVERLAPPED = 0x00000000u;
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000u;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000u;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000u;
constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000u;
constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000u;
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
constexpr std::uint32_t WS_CHILD = 0x40000000u;
constexpr std::uint32_t WS_POPUP = 0x80000000u;
constexpr std::uint32_t WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008u;
constexpr std::uint32_t WS_EX_WINDOWEDGE = 0x00000100u;
constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Window-long slots.
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_USERDATA = -21;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// SetWindowPos.
constexpr unsigned SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004, SWP_NOACTIVATE = 0x0010;
extern const HWND HWND_TOPMOST;
extern const HWND HWND_NOTOPMOST;

// Stock cursors.
constexpr int IDC_ARROW = 32512, IDC_WAIT = 32514, IDC_CROSS = 32515;

// Pixel-format flags.
constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x01, PFD_STEREO = 0x02, PFD_DRAW_TO_WINDOW = 0x04,
                        PFD_SUPPORT_OPENGL = 0x20, PFD_NEED_PALETTE = 0x80;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct MSG {
    HWND hwnd = nullptr;
    unsigned message = WM_NULL;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// WM_NCCREATE's lParam points to this; the first field is the creation
// parameter given to CreateWindow.
struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    const char* lpszName = nullptr;
    const char* lpszClass = nullptr;
};

// A pixel-format request, or the description of a format obtained.
// colorBits excludes alpha; accumBits counts all accumulation planes.
struct PixelFormatDescriptor {
    std::uint32_t flags = 0;
    int colorBits = 0;
    int alphaBits = 0;
    int accumBits = 0;
    int depthBits = 0;
    int stencilBits = 0;
};

struct PaletteEntry {
    std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

// --- window classes and windows ---------------------------------------------
ATOM RegisterClass(const char* name, WNDPROC proc);
bool UnregisterClass(ATOM atom);
HINSTANCE GetModuleHandle();

// Creates a window of a registered class. WM_NCCREATE reaches the class's
// procedure before this returns. The window's drawable is made when its pixel
// format is set; until then position, size, title and styles are recorded.
HWND CreateWindow(const char* className, const char* title, std::uint32_t style, std::uint32_t exStyle, int x, int y,
                  int width, int height, void* createParam);
bool DestroyWindow(HWND hwnd);  // sends WM_DESTROY first
bool IsWindow(HWND hwnd);
LRESULT DefWindowProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam);
std::intptr_t GetWindowLong(HWND hwnd, int index);                       // 0 on failure
std::intptr_t SetWindowLong(HWND hwnd, int index, std::intptr_t value);  // previous value
bool ShowWindow(HWND hwnd, int command);                                 // previous visibility
bool IsWindowVisible(HWND hwnd);
bool SetWindowText(HWND hwnd, const char* text);
// Platform rectangles are client rectangles: the frame belongs to the window
// manager, so AdjustWindowRect leaves a rectangle as it is.
bool GetClientRect(HWND hwnd, Rect* rect);
bool GetWindowRect(HWND hwnd, Rect* rect);
bool AdjustWindowRect(Rect* rect, std::uint32_t style);
// A size change sends WM_SIZE from inside the call.
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, unsigned flags);
bool GetDisplayMode(int* width, int* height);
// Where windows draw. Automatic: on the X display DISPLAY names, and where
// there is none (DISPLAY unset, or a display that cannot be opened) into
// offscreen buffers that give the same pixels; Offscreen: offscreen even when
// a display is there. Takes effect when the window system starts (at the
// first window, or StartWindowSystem).
enum class DrawingPlace { Automatic, Offscreen };
void ChooseDrawingPlace(DrawingPlace place);
// Starts the window system now, as the first window would; false with the
// reason in GetLastErrorText().
bool StartWindowSystem();
// Once started: whether windows draw offscreen; and when that is because the
// display DISPLAY names could not be opened, why ("" otherwise).
bool DrawsOffscreen();
const char* UnusableDisplayReason();
unsigned long NativeWindowId(HWND hwnd);  // the X window id, 0 if none yet
// Asks the window system to close the window, as its close button does; the
// window then gets WM_CLOSE through the queue.
bool RequestClose(HWND hwnd);
// Waits until the window system has handled every request made so far, so
// that the events they cause are waiting to be taken.
void Sync();
// `handler` runs when the connection to the window system is lost (the X
// server went away), with the display's name; it must end the process and
// not return. Without one, the system library's own message and status.
using ConnectionLostHandler = void (*)(const char* display);
void OnConnectionLost(ConnectionLostHandler handler);

// --- message queue -------------------------------------------------------------
// Posted messages (and input) are taken in order and before any paint; a
// window whose client area is invalid gets one WM_PAINT when nothing else
// waits. A take never blocks.
bool PostMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
bool PeekMessage(MSG* msg);  // removes the message it returns
// Sleeps until a message can be taken: the window system has an event (input,
// an expose, a resize), or one of `descriptors` is readable, or `limitMs`
// milliseconds have passed (negative: no limit). Returns at once when a
// message or a paint is waiting already.
void WaitMessage(const int* descriptors, int count, int limitMs);
bool TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
LRESULT SendMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam);
bool InvalidateRect(HWND hwnd);             // the whole client area
bool GetUpdateRect(HWND hwnd, Rect* rect);  // true when something is invalid
bool BeginPaint(HWND hwnd);
bool EndPaint(HWND hwnd);  // validates

// --- input ---------------------------------------------------------------------
HWND SetCapture(HWND hwnd);  // previous capture window
bool ReleaseCapture();
HWND GetCapture();
// Bit 15: the key is down; bit 0: pressed since the previous query of it.
std::int16_t GetAsyncKeyState(int vk);

// --- cursors -------------------------------------------------------------------
HCURSOR LoadCursor(int id);         // null for an unknown id
HCURSOR SetCursor(HCURSOR cursor);  // null hides it; returns the previous one
bool IsCursorShown();

// --- pixel formats and GL contexts -------------------------------------------
HDC GetDC(HWND hwnd);
HWND WindowFromDC(HDC hdc);
// The closest format the display can give: an unobtainable request is relaxed
// step by step (stereo dropped, then fewer depth bits, then no stencil,
// alpha or accumulation planes) until a context can be made. 0: none.
int ChoosePixelFormat(HDC hdc, const PixelFormatDescriptor* request);
bool SetPixelFormat(HDC hdc, int format);  // once per window
int GetPixelFormat(HDC hdc);
bool DescribePixelFormat(HDC hdc, int format, PixelFormatDescriptor* out);
HGLRC CreateContext(HDC hdc);  // leaves the current context as it was
bool DeleteContext(HGLRC context);
bool MakeCurrent(HDC hdc, HGLRC context);  // (null, null) releases the current context
HGLRC GetCurrentContext();
HDC GetCurrentDC();
bool SwapBuffers(HDC hdc);

// For pixel transfers: whether a GL context is current, and the client size
// of the window whose drawable is current (false when there is none).
bool HasCurrentContext();
bool GetCurrentClientSize(int* width, int* height);

// --- palettes (only colour-index displays need one) ---------------------------
HPALETTE CreatePalette(const PaletteEntry* entries, int count);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, bool background);
unsigned RealizePalette(HDC hdc);
bool DeletePalette(HPALETTE palette);

// --- process services ----------------------------------------------------------
std::uint32_t GetTickCount();  // milliseconds, wraps at 2^32
// Writes caption and text to standard error; never waits for anybody.
void MessageBox(const char* text, const char* caption);
const char* GetLastErrorText();

}  // namespace plat

}  // namespace glintwork

#endif  // GLINTWORK_PLATFORMWINDOW_H
