// SDL2 backend of the platform window layer (X11 underneath). Windows,
// contexts, cursors and palettes are handed out as numbered handles that are
// looked up on every call, so a stale handle is refused instead of followed.
#include "PlatformWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace plat {

const HWND HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2));

namespace {

struct ClassRecord {
    std::string name;
    WNDPROC proc = nullptr;
    ATOM atom = 0;
};

struct WindowRecord {
    std::uintptr_t id = 0;
    WNDPROC proc = nullptr;
    SDL_Window* sdl = nullptr;
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
    bool videoReady = false;
    bool exitHandlerSet = false;
    std::uintptr_t nextId = 1;
    std::vector<ClassRecord> classes;
    std::map<std::uintptr_t, std::unique_ptr<WindowRecord>> windows;  // ids grow: creation order
    std::map<std::uintptr_t, SDL_GLContext> contexts;
    std::map<std::uintptr_t, std::vector<PaletteEntry>> palettes;
    std::map<int, SDL_Cursor*> cursors;
    HCURSOR cursor = reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(IDC_ARROW));
    std::deque<MSG> queue;
    std::vector<FormatRecord> formats;  // format n is formats[n - 1]
    std::vector<std::pair<PixelFormatDescriptor, int>> chosen;
    HWND capture = nullptr;
    int captureX = 0, captureY = 0;  // pointer position last reported to the capture window
    std::array<bool, 256> keyDown{};
    std::array<bool, 256> pressedSinceQuery{};
    std::string lastError;
};

// Never destroyed: windows may still be taken down by static destructors.
State& S()
{
    static State* state = new State;
    return *state;
}

bool SameRequest(const PixelFormatDescriptor& a, const PixelFormatDescriptor& b)
{
    return a.flags == b.flags && a.colorBits == b.colorBits && a.alphaBits == b.alphaBits &&
           a.accumBits == b.accumBits && a.depthBits == b.depthBits && a.stencilBits == b.stencilBits;
}

void SetError(const char* text)
{
    S().lastError = text;
}
void SetSdlError()
{
    S().lastError = SDL_GetError();
}

template <class H> H ToHandle(std::uintptr_t id)
{
    return reinterpret_cast<H>(id);
}
template <class H> std::uintptr_t ToId(H handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

WindowRecord* Find(HWND hwnd)
{
    auto it = S().windows.find(ToId(hwnd));
    if (it == S().windows.end() || it->second->destroying)
        return nullptr;
    return it->second.get();
}
WindowRecord* FindDC(HDC hdc)
{
    return Find(ToHandle<HWND>(ToId(hdc)));
}

WindowRecord* FromSdlWindow(SDL_Window* sdl)
{
    if (!sdl)
        return nullptr;
    return Find(ToHandle<HWND>(reinterpret_cast<std::uintptr_t>(SDL_GetWindowData(sdl, "plat.id"))));
}
WindowRecord* FromSdlId(Uint32 windowId)
{
    return FromSdlWindow(SDL_GetWindowFromID(windowId));
}

HWND HandleOf(const WindowRecord* w)
{
    return w ? ToHandle<HWND>(w->id) : nullptr;
}

void Shutdown()
{
    State& s = S();
    if (!s.videoReady)
        return;
    SDL_GL_MakeCurrent(nullptr, nullptr);
    for (auto& c : s.contexts)
        SDL_GL_DeleteContext(c.second);
    s.contexts.clear();
    for (auto& w : s.windows)
        if (w.second->sdl)
            SDL_DestroyWindow(w.second->sdl);
    s.windows.clear();
    for (auto& c : s.cursors)
        SDL_FreeCursor(c.second);
    s.cursors.clear();
    s.queue.clear();
    s.videoReady = false;
    SDL_Quit();
}

bool EnsureVideo()
{
    State& s = S();
    if (s.videoReady)
        return true;
    // Ctrl+C must end the program as usual, and the X11 driver is what the
    // visual queries below speak to.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!std::getenv("SDL_VIDEODRIVER"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        const char* display = std::getenv("DISPLAY");
        if (!std::getenv("SDL_VIDEODRIVER") && (!display || !*display))
            SetError("DISPLAY is not set: there is no X display to open");
        else
            SetError(
                (std::string("cannot open the X display \"") + (display ? display : "") + "\" (" + SDL_GetError() + ")")
                    .c_str());
        return false;
    }
    s.videoReady = true;
    if (!s.exitHandlerSet) {
        s.exitHandlerSet = true;
        std::atexit(Shutdown);
    }
    return true;
}

struct X11Window {
    Display* display = nullptr;
    ::Window window = 0;
};

bool NativeOf(SDL_Window* sdl, X11Window* out)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    out->display = info.info.x11.display;
    out->window = info.info.x11.window;
    return true;
}

// Reads the GL attributes of the X visual a window was made with.
bool DescribeDrawable(SDL_Window* sdl, PixelFormatDescriptor* out)
{
    X11Window x;
    if (!NativeOf(sdl, &x))
        return false;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(x.display, x.window, &attributes))
        return false;
    XVisualInfo pattern;
    pattern.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(x.display, VisualIDMask, &pattern, &count);
    if (!info)
        return false;
    auto get = [&](int attribute) {
        int value = 0;
        if (glXGetConfig(x.display, info, attribute, &value) != 0)
            value = 0;
        return value;
    };
    bool ok = get(GLX_USE_GL) != 0;
    PixelFormatDescriptor d;
    d.flags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (get(GLX_DOUBLEBUFFER))
        d.flags |= PFD_DOUBLEBUFFER;
    if (get(GLX_STEREO))
        d.flags |= PFD_STEREO;
    if (info->c_class != TrueColor && info->c_class != DirectColor)
        d.flags |= PFD_NEED_PALETTE;
    d.colorBits = get(GLX_RED_SIZE) + get(GLX_GREEN_SIZE) + get(GLX_BLUE_SIZE);
    d.alphaBits = get(GLX_ALPHA_SIZE);
    d.accumBits =
        get(GLX_ACCUM_RED_SIZE) + get(GLX_ACCUM_GREEN_SIZE) + get(GLX_ACCUM_BLUE_SIZE) + get(GLX_ACCUM_ALPHA_SIZE);
    d.depthBits = get(GLX_DEPTH_SIZE);
    d.stencilBits = get(GLX_STENCIL_SIZE);
    XFree(info);
    if (ok)
        *out = d;
    return ok;
}

void ApplyRequest(const PixelFormatDescriptor& r)
{
    SDL_GL_ResetAttributes();
    int perColour = r.colorBits / 3;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, perColour);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, perColour);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, perColour);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, r.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, r.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, r.stencilBits);
    int perAccum = (r.accumBits + 3) / 4;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, perAccum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, perAccum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, perAccum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, perAccum);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (r.flags & PFD_DOUBLEBUFFER) ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_STEREO, (r.flags & PFD_STEREO) ? 1 : 0);
}

// The request, then ever weaker versions of it.
std::vector<PixelFormatDescriptor> Relaxations(const PixelFormatDescriptor& request)
{
    std::vector<PixelFormatDescriptor> out{request};
    PixelFormatDescriptor r = request;
    if (r.flags & PFD_STEREO) {
        r.flags &= ~PFD_STEREO;
        out.push_back(r);
    }
    for (int depth : {24, 16, 0}) {
        if (depth < r.depthBits) {
            r.depthBits = depth;
            out.push_back(r);
        }
    }
    for (int* bits : {&r.stencilBits, &r.alphaBits, &r.accumBits}) {
        if (*bits != 0) {
            *bits = 0;
            out.push_back(r);
        }
    }
    return out;
}

// Whether a window and a context can be made from the request, and what
// they have. The current context is left as it was.
bool Probe(const PixelFormatDescriptor& request, PixelFormatDescriptor* obtained)
{
    ApplyRequest(request);
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!probe)
        return false;
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(probe);
    bool ok = context && DescribeDrawable(probe, obtained);
    if (context)
        SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(probe);
    if (previousContext) {
        SDL_GL_MakeCurrent(previousWindow, previousContext);
    } else {
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
    return ok;
}

void SendSize(WindowRecord* w)
{
    w->sizeSent = true;
    w->drawableStale = true;
    HWND hwnd = HandleOf(w);
    SendMessage(hwnd, WM_SIZE, 0, MakeLParam(w->width, w->height));
}

void ReadSdlSize(WindowRecord* w)
{
    int width = 0, height = 0;
    SDL_GetWindowSize(w->sdl, &width, &height);
    w->width = width;
    w->height = height;
}

void ShowNative(WindowRecord* w)
{
    SDL_ShowWindow(w->sdl);
    w->invalid = true;
    ReadSdlSize(w);
    if (!w->sizeSent)
        SendSize(w);
}

// Makes the X window with the visual of the format.
bool Realise(WindowRecord* w, const PixelFormatDescriptor& request)
{
    ApplyRequest(request);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (w->style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    if ((w->style & WS_CAPTION) != WS_CAPTION)
        flags |= SDL_WINDOW_BORDERLESS;
    if (w->exStyle & WS_EX_TOPMOST)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    int x = w->x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : w->x;
    int y = w->y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : w->y;
    w->sdl = SDL_CreateWindow(w->title.c_str(), x, y, std::max(1, w->width), std::max(1, w->height), flags);
    if (!w->sdl) {
        SetSdlError();
        return false;
    }
    SDL_SetWindowData(w->sdl, "plat.id", reinterpret_cast<void*>(w->id));
    ReadSdlSize(w);
    if (w->visible)
        ShowNative(w);
    return true;
}

bool ServerSize(WindowRecord* w, int* width, int* height)
{
    X11Window native;
    XWindowAttributes attributes;
    if (!NativeOf(w->sdl, &native) || !XGetWindowAttributes(native.display, native.window, &attributes))
        return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

bool PointerIn(WindowRecord* w, int* x, int* y, unsigned* mask)
{
    X11Window native;
    if (!NativeOf(w->sdl, &native))
        return false;
    ::Window root, child;
    int rootX, rootY;
    return XQueryPointer(native.display, native.window, &root, &child, &rootX, &rootY, x, y, mask) != 0;
}

WPARAM MouseKeysFromX(unsigned mask)
{
    WPARAM keys = 0;
    if (mask & Button1Mask)
        keys |= MK_LBUTTON;
    if (mask & Button2Mask)
        keys |= MK_MBUTTON;
    if (mask & Button3Mask)
        keys |= MK_RBUTTON;
    if (mask & ShiftMask)
        keys |= MK_SHIFT;
    if (mask & ControlMask)
        keys |= MK_CONTROL;
    return keys;
}

WPARAM MouseKeysFromSdl(Uint32 buttons)
{
    WPARAM keys = 0;
    if (buttons & SDL_BUTTON_LMASK)
        keys |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_MMASK)
        keys |= MK_MBUTTON;
    if (buttons & SDL_BUTTON_RMASK)
        keys |= MK_RBUTTON;
    SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT)
        keys |= MK_SHIFT;
    if (mod & KMOD_CTRL)
        keys |= MK_CONTROL;
    return keys;
}

int VirtualKey(const SDL_Keysym& key)
{
    // The keypad by position, whatever Num Lock makes of it.
    switch (key.scancode) {
    case SDL_SCANCODE_KP_DIVIDE:
        return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS:
        return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS:
        return VK_ADD;
    case SDL_SCANCODE_KP_ENTER:
        return VK_RETURN;
    case SDL_SCANCODE_KP_0:
        return VK_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD:
        return VK_DECIMAL;
    default:
        break;
    }
    if (key.scancode >= SDL_SCANCODE_KP_1 && key.scancode <= SDL_SCANCODE_KP_9)
        return VK_NUMPAD0 + 1 + (key.scancode - SDL_SCANCODE_KP_1);
    SDL_Keycode k = key.sym;
    if (k >= SDLK_a && k <= SDLK_z)
        return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9)
        return static_cast<int>(k);
    if (k >= SDLK_F1 && k <= SDLK_F12)
        return VK_F1 + (k - SDLK_F1);
    if (k >= SDLK_F13 && k <= SDLK_F24)
        return VK_F1 + 12 + (k - SDLK_F13);
    switch (k) {
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_RETURN:
        return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    case SDLK_PAUSE:
        return VK_PAUSE;
    case SDLK_CAPSLOCK:
        return VK_CAPITAL;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_END:
        return VK_END;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_PRINTSCREEN:
        return VK_SNAPSHOT;
    case SDLK_INSERT:
        return VK_INSERT;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_LGUI:
        return VK_LWIN;
    case SDLK_RGUI:
        return VK_RWIN;
    case SDLK_APPLICATION:
        return VK_APPS;
    case SDLK_NUMLOCKCLEAR:
        return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
        return VK_SCROLL;
    case SDLK_SEMICOLON:
        return VK_OEM_1;
    case SDLK_EQUALS:
        return VK_OEM_PLUS;
    case SDLK_COMMA:
        return VK_OEM_COMMA;
    case SDLK_MINUS:
        return VK_OEM_MINUS;
    case SDLK_PERIOD:
        return VK_OEM_PERIOD;
    case SDLK_SLASH:
        return VK_OEM_2;
    case SDLK_BACKQUOTE:
        return VK_OEM_3;
    case SDLK_LEFTBRACKET:
        return VK_OEM_4;
    case SDLK_BACKSLASH:
        return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
        return VK_OEM_6;
    case SDLK_QUOTE:
        return VK_OEM_7;
    default:
        return 0;
    }
}

// Keys go to the window they were typed in; when the system could not say
// which (no keyboard focus), to the window holding the mouse, then to the
// first visible one.
WindowRecord* KeyTarget(Uint32 windowId)
{
    if (WindowRecord* w = FromSdlId(windowId))
        return w;
    if (WindowRecord* w = Find(S().capture))
        return w;
    if (WindowRecord* w = FromSdlWindow(SDL_GetKeyboardFocus()))
        return w;
    if (WindowRecord* w = FromSdlWindow(SDL_GetMouseFocus()))
        return w;
    for (auto& entry : S().windows)
        if (!entry.second->destroying && entry.second->visible)
            return entry.second.get();
    return nullptr;
}

void Post(WindowRecord* w, unsigned message, WPARAM wParam, LPARAM lParam)
{
    S().queue.push_back(MSG{HandleOf(w), message, wParam, lParam});
}

void TranslateKey(const SDL_KeyboardEvent& e)
{
    int vk = VirtualKey(e.keysym);
    if (vk == 0)
        return;
    WindowRecord* w = KeyTarget(e.windowID);
    bool down = e.type == SDL_KEYDOWN;
    State& s = S();
    bool wasDown = s.keyDown[vk];
    s.keyDown[vk] = down;
    if (down)
        s.pressedSinceQuery[vk] = true;
    if (!w)
        return;
    // Repeat count 1, the scan code, the previous state and the transition.
    std::uint32_t bits = 1u | (static_cast<std::uint32_t>(e.keysym.scancode) & 0xFFu) << 16;
    if (wasDown || !down)
        bits |= 1u << 30;
    if (!down)
        bits |= 1u << 31;
    Post(w, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(bits));
}

void TranslateButton(const SDL_MouseButtonEvent& e)
{
    unsigned message;
    bool down = e.type == SDL_MOUSEBUTTONDOWN;
    switch (e.button) {
    case SDL_BUTTON_LEFT:
        message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        break;
    case SDL_BUTTON_MIDDLE:
        message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        break;
    case SDL_BUTTON_RIGHT:
        message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        break;
    default:
        return;
    }
    WindowRecord* w = Find(S().capture);
    int x = e.x, y = e.y;
    if (w) {
        unsigned mask = 0;
        if (!PointerIn(w, &x, &y, &mask))
            return;
    } else {
        w = FromSdlId(e.windowID);
        if (!w)
            return;
    }
    Post(w, message, MouseKeysFromSdl(SDL_GetMouseState(nullptr, nullptr)), MakeLParam(x, y));
}

void TranslateMotion(const SDL_MouseMotionEvent& e)
{
    if (S().capture)
        return;  // the capture window's pointer is followed in PollCapture
    WindowRecord* w = FromSdlId(e.windowID);
    if (!w)
        return;
    SendMessage(HandleOf(w), WM_SETCURSOR, static_cast<WPARAM>(w->id), MakeLParam(HTCLIENT, WM_MOUSEMOVE));
    if (!Find(HandleOf(w)))
        return;
    Post(w, WM_MOUSEMOVE, MouseKeysFromSdl(e.state), MakeLParam(e.x, e.y));
}

void TranslateWindowEvent(const SDL_WindowEvent& e)
{
    WindowRecord* w = FromSdlId(e.windowID);
    if (!w)
        return;
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        Post(w, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        // The event may be older than the size asked for since; the server
        // knows the size the window has now.
        int width = 0, height = 0;
        if (!ServerSize(w, &width, &height))
            break;
        if (width != w->width || height != w->height) {
            w->width = width;
            w->height = height;
            SendSize(w);
        }
        break;
    }
    case SDL_WINDOWEVENT_EXPOSED:
        if (w->visible)
            w->invalid = true;
        break;
    default:
        break;
    }
}

// While the mouse is captured its moves are read from the server, so that
// moves outside the window arrive whatever the toolkit thinks of focus.
void PollCapture()
{
    WindowRecord* w = Find(S().capture);
    if (!w || !w->sdl)
        return;
    int x = 0, y = 0;
    unsigned mask = 0;
    if (!PointerIn(w, &x, &y, &mask))
        return;
    if (x == S().captureX && y == S().captureY)
        return;
    S().captureX = x;
    S().captureY = y;
    Post(w, WM_MOUSEMOVE, MouseKeysFromX(mask), MakeLParam(x, y));
}

void Pump()
{
    if (!S().videoReady)
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(e.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            TranslateKey(e.key);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            TranslateButton(e.button);
            break;
        case SDL_MOUSEMOTION:
            TranslateMotion(e.motion);
            break;
        default:
            break;  // closing the last window is not quitting; text input is not used
        }
    }
    PollCapture();
}

SDL_Cursor* SdlCursor(HCURSOR cursor)
{
    int id = static_cast<int>(ToId(cursor));
    auto it = S().cursors.find(id);
    if (it != S().cursors.end())
        return it->second;
    SDL_SystemCursor kind = SDL_SYSTEM_CURSOR_ARROW;
    if (id == IDC_CROSS)
        kind = SDL_SYSTEM_CURSOR_CROSSHAIR;
    if (id == IDC_WAIT)
        kind = SDL_SYSTEM_CURSOR_WAIT;
    SDL_Cursor* made = SDL_CreateSystemCursor(kind);
    if (made)
        S().cursors[id] = made;
    return made;
}

}  // namespace

// --- window classes and windows ---------------------------------------------

ATOM RegisterClass(const char* name, WNDPROC proc)
{
    State& s = S();
    if (!name || !proc)
        return 0;
    for (const ClassRecord& c : s.classes)
        if (c.name == name)
            return 0;  // already registered
    if (!s.exitHandlerSet) {
        // Registered early (during static construction when windows are static
        // members), so it runs after the static windows are gone.
        s.exitHandlerSet = true;
        std::atexit(Shutdown);
    }
    ATOM atom = static_cast<ATOM>(0xC000 + s.classes.size());
    s.classes.push_back(ClassRecord{name, proc, atom});
    return atom;
}

bool UnregisterClass(ATOM atom)
{
    auto& classes = S().classes;
    auto it = std::find_if(classes.begin(), classes.end(), [&](const ClassRecord& c) { return c.atom == atom; });
    if (it == classes.end())
        return false;
    it->proc = nullptr;
    it->name.clear();
    return true;
}

HINSTANCE GetModuleHandle()
{
    static char module;
    return reinterpret_cast<HINSTANCE>(&module);
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
    if (w->sdl)
        SDL_DestroyWindow(w->sdl);
    w->sdl = nullptr;
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
        if (w->sdl) {
            SDL_SetWindowBordered(w->sdl, (style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
            SDL_SetWindowResizable(w->sdl, (style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
        }
        break;
    }
    case GWL_EXSTYLE: {
        w->exStyle = static_cast<std::uint32_t>(value);
        if (w->sdl)
            SDL_SetWindowAlwaysOnTop(w->sdl, (w->exStyle & WS_EX_TOPMOST) ? SDL_TRUE : SDL_FALSE);
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
        if (w->sdl)
            SDL_HideWindow(w->sdl);
    } else {
        w->visible = true;
        if (w->sdl && !was)
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
    if (w->sdl)
        SDL_SetWindowTitle(w->sdl, text);
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
    X11Window native;
    if (w->sdl && NativeOf(w->sdl, &native)) {
        ::Window child;
        XTranslateCoordinates(native.display, native.window, DefaultRootWindow(native.display), 0, 0, &x, &y, &child);
    } else if (x == CW_USEDEFAULT || y == CW_USEDEFAULT) {
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
        } else if (w->sdl && w->visible) {
            SDL_RaiseWindow(w->sdl);
        }
    }
    if (!(flags & SWP_NOMOVE)) {
        w->x = x;
        w->y = y;
        if (w->sdl)
            SDL_SetWindowPosition(w->sdl, x, y);
    }
    if (!(flags & SWP_NOSIZE)) {
        w->width = std::max(0, width);
        w->height = std::max(0, height);
        if (w->sdl) {
            SDL_SetWindowSize(w->sdl, std::max(1, width), std::max(1, height));
            ReadSdlSize(w);
        }
        SendSize(w);
    }
    return true;
}

bool GetDisplayMode(int* width, int* height)
{
    if (!EnsureVideo())
        return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        SetSdlError();
        return false;
    }
    if (width)
        *width = mode.w;
    if (height)
        *height = mode.h;
    return true;
}

unsigned long NativeWindowId(HWND hwnd)
{
    WindowRecord* w = Find(hwnd);
    X11Window native;
    if (!w || !NativeOf(w->sdl, &native))
        return 0;
    return static_cast<unsigned long>(native.window);
}

bool RequestClose(HWND hwnd)
{
    WindowRecord* w = Find(hwnd);
    X11Window native;
    if (!w || !NativeOf(w->sdl, &native))
        return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = native.window;
    e.xclient.message_type = XInternAtom(native.display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(native.display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    bool sent = XSendEvent(native.display, native.window, False, NoEventMask, &e) != 0;
    XFlush(native.display);
    return sent;
}

void Sync()
{
    for (auto& entry : S().windows) {
        X11Window native;
        if (entry.second->sdl && NativeOf(entry.second->sdl, &native)) {
            XSync(native.display, False);
            return;
        }
    }
}

// --- message queue -------------------------------------------------------------

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
    Pump();
    State& s = S();
    if (!s.queue.empty()) {
        *msg = s.queue.front();
        s.queue.pop_front();
        return true;
    }
    for (auto& entry : s.windows) {
        WindowRecord* w = entry.second.get();
        if (!w->destroying && w->visible && w->invalid) {
            *msg = MSG{HandleOf(w), WM_PAINT, 0, 0};
            return true;
        }
    }
    return false;
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
    WindowRecord* w = Find(hwnd);
    if (!w)
        return false;
    w->invalid = true;
    return true;
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
    WindowRecord* w = Find(hwnd);
    if (!w)
        return false;
    w->invalid = false;
    return true;
}

bool EndPaint(HWND hwnd)
{
    return Find(hwnd) != nullptr;
}

// --- input ---------------------------------------------------------------------

HWND SetCapture(HWND hwnd)
{
    State& s = S();
    HWND previous = s.capture;
    WindowRecord* w = Find(hwnd);
    if (!w)
        return previous;
    s.capture = hwnd;
    unsigned mask = 0;
    if (!w->sdl || !PointerIn(w, &s.captureX, &s.captureY, &mask))
        s.captureX = s.captureY = -1;
    if (s.videoReady)
        SDL_CaptureMouse(SDL_TRUE);
    return previous;
}

bool ReleaseCapture()
{
    State& s = S();
    if (!s.capture)
        return true;
    s.capture = nullptr;
    if (s.videoReady)
        SDL_CaptureMouse(SDL_FALSE);
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
    if (s.videoReady && (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)) {
        SDL_PumpEvents();
        SDL_Keymod mod = SDL_GetModState();
        down = (vk == VK_SHIFT && (mod & KMOD_SHIFT)) || (vk == VK_CONTROL && (mod & KMOD_CTRL)) ||
               (vk == VK_MENU && (mod & KMOD_ALT));
    }
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
    if (s.videoReady) {
        if (cursor) {
            if (SDL_Cursor* c = SdlCursor(cursor))
                SDL_SetCursor(c);
            SDL_ShowCursor(SDL_ENABLE);
        } else {
            SDL_ShowCursor(SDL_DISABLE);
        }
    }
    return previous;
}

bool IsCursorShown()
{
    return S().cursor != nullptr;
}

// --- pixel formats and GL contexts -------------------------------------------

HDC GetDC(HWND hwnd)
{
    return Find(hwnd) ? ToHandle<HDC>(ToId(hwnd)) : nullptr;
}

HWND WindowFromDC(HDC hdc)
{
    return FindDC(hdc) ? ToHandle<HWND>(ToId(hdc)) : nullptr;
}

int ChoosePixelFormat(HDC hdc, const PixelFormatDescriptor* request)
{
    State& s = S();
    if (!FindDC(hdc) || !request || !EnsureVideo())
        return 0;
    for (const auto& known : s.chosen)
        if (SameRequest(known.first, *request))
            return known.second;
    for (const PixelFormatDescriptor& candidate : Relaxations(*request)) {
        PixelFormatDescriptor obtained;
        if (Probe(candidate, &obtained)) {
            s.formats.push_back(FormatRecord{candidate, obtained});
            int format = static_cast<int>(s.formats.size());
            s.chosen.emplace_back(*request, format);
            return format;
        }
    }
    SetError("no pixel format comes close to the request");
    return 0;
}

bool SetPixelFormat(HDC hdc, int format)
{
    WindowRecord* w = FindDC(hdc);
    State& s = S();
    if (!w || format < 1 || format > static_cast<int>(s.formats.size())) {
        SetError("invalid drawable or format");
        return false;
    }
    if (w->pixelFormat != 0) {
        SetError("the pixel format of a window can be set only once");
        return false;
    }
    if (!Realise(w, s.formats[format - 1].request))
        return false;
    w->pixelFormat = format;
    if (!DescribeDrawable(w->sdl, &w->obtained))
        w->obtained = s.formats[format - 1].obtained;
    return true;
}

int GetPixelFormat(HDC hdc)
{
    WindowRecord* w = FindDC(hdc);
    return w ? w->pixelFormat : 0;
}

bool DescribePixelFormat(HDC hdc, int format, PixelFormatDescriptor* out)
{
    WindowRecord* w = FindDC(hdc);
    State& s = S();
    if (!w || !out || format < 1 || format > static_cast<int>(s.formats.size()))
        return false;
    *out = (w->pixelFormat == format) ? w->obtained : s.formats[format - 1].obtained;
    return true;
}

HGLRC CreateContext(HDC hdc)
{
    WindowRecord* w = FindDC(hdc);
    if (!w || !w->sdl) {
        SetError("the drawable has no pixel format");
        return nullptr;
    }
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(w->sdl);
    if (!context) {
        SetSdlError();
        return nullptr;
    }
    if (previousContext) {
        SDL_GL_MakeCurrent(previousWindow, previousContext);
    } else {
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
    std::uintptr_t id = S().nextId++;
    S().contexts[id] = context;
    return ToHandle<HGLRC>(id);
}

bool DeleteContext(HGLRC context)
{
    auto it = S().contexts.find(ToId(context));
    if (it == S().contexts.end())
        return false;
    SDL_GL_DeleteContext(it->second);
    S().contexts.erase(it);
    return true;
}

bool MakeCurrent(HDC hdc, HGLRC context)
{
    State& s = S();
    if (!context) {
        if (s.videoReady)
            SDL_GL_MakeCurrent(nullptr, nullptr);
        return true;
    }
    WindowRecord* w = FindDC(hdc);
    auto it = s.contexts.find(ToId(context));
    if (!w || !w->sdl || it == s.contexts.end()) {
        SetError("invalid drawable or context");
        return false;
    }
    if (SDL_GL_MakeCurrent(w->sdl, it->second) != 0) {
        SetSdlError();
        return false;
    }
    if (w->drawableStale) {
        w->drawableStale = false;
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glPopAttrib();
        SDL_GL_SwapWindow(w->sdl);
    }
    return true;
}

HGLRC GetCurrentContext()
{
    State& s = S();
    if (!s.videoReady)
        return nullptr;
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    if (!current)
        return nullptr;
    for (const auto& c : s.contexts)
        if (c.second == current)
            return ToHandle<HGLRC>(c.first);
    return nullptr;
}

HDC GetCurrentDC()
{
    if (!S().videoReady || !SDL_GL_GetCurrentContext())
        return nullptr;
    WindowRecord* w = FromSdlWindow(SDL_GL_GetCurrentWindow());
    return w ? ToHandle<HDC>(w->id) : nullptr;
}

bool SwapBuffers(HDC hdc)
{
    WindowRecord* w = FindDC(hdc);
    if (!w || !w->sdl)
        return false;
    SDL_GL_SwapWindow(w->sdl);
    return true;
}

bool HasCurrentContext()
{
    return S().videoReady && SDL_GL_GetCurrentContext() != nullptr;
}

bool GetCurrentClientSize(int* width, int* height)
{
    WindowRecord* w = FindDC(GetCurrentDC());
    if (!w)
        return false;
    if (width)
        *width = w->width;
    if (height)
        *height = w->height;
    return true;
}

// --- palettes ------------------------------------------------------------------
// The displays this runs on are true-colour: a palette is kept so that the
// calls have their usual results, but it changes no pixel.

HPALETTE CreatePalette(const PaletteEntry* entries, int count)
{
    if (!entries || count <= 0)
        return nullptr;
    std::uintptr_t id = S().nextId++;
    S().palettes[id] = std::vector<PaletteEntry>(entries, entries + count);
    return ToHandle<HPALETTE>(id);
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, bool)
{
    WindowRecord* w = FindDC(hdc);
    if (!w)
        return nullptr;
    HPALETTE previous = w->palette;
    w->palette = palette;
    return previous;
}

unsigned RealizePalette(HDC)
{
    return 0;
}

bool DeletePalette(HPALETTE palette)
{
    return S().palettes.erase(ToId(palette)) != 0;
}

// --- process services ----------------------------------------------------------

std::uint32_t GetTickCount()
{
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void MessageBox(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "Message", text ? text : "");
    std::fflush(stderr);
}

const char* GetLastErrorText()
{
    return S().lastError.c_str();
}

}  // namespace plat
