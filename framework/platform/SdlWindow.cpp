// SDL2 backend: the video subsystem and the native windows.
#include "framework/platform/PlatformBackend.h"
#include "framework/platform/SdlNative.h"
#include "framework/platform/X11CloseRequest.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace glintwork {

namespace plat::backend {

namespace {
bool videoReady = false;
bool offscreen = false;
std::string unusableDisplay;
ConnectionLostHandler connectionLost = nullptr;

int ConnectionLost(Display* display)
{
    const char* name = display ? DisplayString(display) : "";
    if (connectionLost)
        connectionLost(name ? name : "");
    return 0;  // Xlib ends the process when a handler returns
}

// Xlib keeps one handler for the whole process; the video subsystem's start
// may put its own in place, so this runs again after it.
void InstallConnectionLost()
{
    if (connectionLost)
        XSetIOErrorHandler(ConnectionLost);
}

// Starts the video subsystem on the driver named (over SDL_VIDEODRIVER).
bool StartDriver(const char* driver)
{
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}
}  // namespace

void OnConnectionLost(ConnectionLostHandler handler)
{
    connectionLost = handler;
    InstallConnectionLost();
}

bool Start(bool offscreenOnly)
{
    if (videoReady)
        return true;
    // Ctrl+C must end the program as usual.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    unusableDisplay.clear();
    const char* named = std::getenv("SDL_VIDEODRIVER");
    if (!offscreenOnly && named && *named) {
        // A driver the user named is the only one tried.
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            SetError((std::string("cannot start SDL's video driver \"") + named + "\" (" + SDL_GetError() + ")").c_str());
            return false;
        }
    } else {
        // The X display when there is one (the X11 driver is what the visual
        // queries speak to); offscreen buffers otherwise.
        const char* display = std::getenv("DISPLAY");
        bool started = false;
        if (!offscreenOnly && display && *display) {
            started = StartDriver("x11");
            if (!started)
                unusableDisplay = std::string("cannot open the X display \"") + display + "\" (" + SDL_GetError() + ")";
        }
        if (!started && !StartDriver("offscreen")) {
            SetError((std::string("cannot start SDL's offscreen video driver (") + SDL_GetError() + ")").c_str());
            return false;
        }
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    offscreen = driver && std::strcmp(driver, "offscreen") == 0;
    videoReady = true;
    InstallConnectionLost();
    return true;
}

bool Offscreen()
{
    return offscreen;
}

const char* UnusableDisplayReason()
{
    return unusableDisplay.c_str();
}

bool Started()
{
    return videoReady;
}

void Stop()
{
    FreeCursors();
    videoReady = false;
    SDL_Quit();
}

bool Sync(NativeWindow* window)
{
    X11Window native;
    if (!NativeOf(Sdl(window), &native))
        return false;
    XSync(native.display, False);
    return true;
}

bool DisplayMode(int* width, int* height)
{
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

NativeWindow* CreateWindow(const WindowRecord& w, const PixelFormatDescriptor& request)
{
    ApplyRequest(request);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (w.style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    if ((w.style & WS_CAPTION) != WS_CAPTION)
        flags |= SDL_WINDOW_BORDERLESS;
    if (w.exStyle & WS_EX_TOPMOST)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    int x = w.x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : w.x;
    int y = w.y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : w.y;
    SDL_Window* sdl = SDL_CreateWindow(w.title.c_str(), x, y, std::max(1, w.width), std::max(1, w.height), flags);
    if (!sdl) {
        SetSdlError();
        return nullptr;
    }
    SDL_SetWindowData(sdl, RecordIdSlot, reinterpret_cast<void*>(w.id));
    return Native(sdl);
}

// An offscreen window's buffer is made with the window and keeps that size:
// a new size takes a new window of the same visual, which the context that
// was current on the old one is made current on.
NativeWindow* SetSize(NativeWindow* window, int width, int height)
{
    SDL_Window* old = Sdl(window);
    if (!offscreen) {
        SDL_SetWindowSize(old, width, height);
        return window;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(old, &w, &h);
    if (w == width && h == height)
        return window;
    SDL_Window* made = SDL_CreateWindow(SDL_GetWindowTitle(old), 0, 0, width, height, SDL_GetWindowFlags(old));
    if (!made) {
        SetSdlError();
        return window;
    }
    SDL_SetWindowData(made, RecordIdSlot, SDL_GetWindowData(old, RecordIdSlot));
    SDL_GLContext context = SDL_GL_GetCurrentContext();
    if (SDL_GL_GetCurrentWindow() == old && context && SDL_GL_MakeCurrent(made, context) != 0) {
        SetSdlError();
        SDL_DestroyWindow(made);
        return window;
    }
    SDL_DestroyWindow(old);
    return Native(made);
}

void DestroyWindow(NativeWindow* window)
{
    SDL_DestroyWindow(Sdl(window));
}

void Show(NativeWindow* window)
{
    SDL_ShowWindow(Sdl(window));
}

void Hide(NativeWindow* window)
{
    SDL_HideWindow(Sdl(window));
}

void Raise(NativeWindow* window)
{
    SDL_RaiseWindow(Sdl(window));
}

void SetTitle(NativeWindow* window, const char* title)
{
    SDL_SetWindowTitle(Sdl(window), title);
    // Titles are UTF-8. The toolkit converts them through the process's
    // locale, which under "C" (the default) drops the UTF-8 title that
    // window managers show; it is set here as it is, whatever the locale.
    X11Window native;
    if (!NativeOf(Sdl(window), &native))
        return;
    XChangeProperty(native.display, native.window, XInternAtom(native.display, "_NET_WM_NAME", False),
                    XInternAtom(native.display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
    XFlush(native.display);
}

void SetFrame(NativeWindow* window, std::uint32_t style)
{
    SDL_SetWindowBordered(Sdl(window), (style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(Sdl(window), (style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
}

void SetTopmost(NativeWindow* window, bool topmost)
{
    SDL_SetWindowAlwaysOnTop(Sdl(window), topmost ? SDL_TRUE : SDL_FALSE);
}

void SetPosition(NativeWindow* window, int x, int y)
{
    SDL_SetWindowPosition(Sdl(window), x, y);
}

void GetSize(NativeWindow* window, int* width, int* height)
{
    int w = 0, h = 0;
    SDL_GetWindowSize(Sdl(window), &w, &h);
    *width = w;
    *height = h;
}

bool ScreenPosition(NativeWindow* window, int* x, int* y)
{
    X11Window native;
    if (!NativeOf(Sdl(window), &native))
        return false;
    ::Window child;
    XTranslateCoordinates(native.display, native.window, DefaultRootWindow(native.display), 0, 0, x, y, &child);
    return true;
}

unsigned long NativeId(NativeWindow* window)
{
    X11Window native;
    if (!NativeOf(Sdl(window), &native))
        return 0;
    return static_cast<unsigned long>(native.window);
}

bool RequestClose(NativeWindow* window)
{
    X11Window native;
    if (!NativeOf(Sdl(window), &native))
        return false;
    bool sent = SendDeleteWindowRequest(native.display, native.window);
    XFlush(native.display);
    return sent;
}

}  // namespace plat::backend

}  // namespace glintwork
