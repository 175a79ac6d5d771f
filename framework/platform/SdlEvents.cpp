// SDL2 backend: window-system events turned into messages, the pointer, the
// modifier keys and the cursors.
#include "framework/platform/PlatformBackend.h"
#include "framework/platform/SdlKeyTable.h"
#include "framework/platform/SdlNative.h"

#include <poll.h>

#include <map>
#include <vector>

namespace glintwork {

namespace plat::backend {

namespace {

// Never destroyed: the shutdown at exit may come after static destructors.
std::map<int, SDL_Cursor*>& Cursors()
{
    static auto* cursors = new std::map<int, SDL_Cursor*>;
    return *cursors;
}

bool ServerSize(SDL_Window* sdl, int* width, int* height)
{
    X11Window native;
    XWindowAttributes attributes;
    if (!NativeOf(sdl, &native) || !XGetWindowAttributes(native.display, native.window, &attributes))
        return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

// Bits of the window system's button and modifier states, and the
// mouse-message key bits they stand for.
struct KeyBit {
    unsigned from;
    WPARAM to;
};

constexpr KeyBit XKeyBits[] = {{Button1Mask, MK_LBUTTON},
                                {Button2Mask, MK_MBUTTON},
                                {Button3Mask, MK_RBUTTON},
                                {ShiftMask, MK_SHIFT},
                                {ControlMask, MK_CONTROL}};
constexpr KeyBit SdlButtonBits[] = {
    {SDL_BUTTON_LMASK, MK_LBUTTON}, {SDL_BUTTON_MMASK, MK_MBUTTON}, {SDL_BUTTON_RMASK, MK_RBUTTON}};
constexpr KeyBit SdlModifierBits[] = {{KMOD_SHIFT, MK_SHIFT}, {KMOD_CTRL, MK_CONTROL}};

template <size_t N> WPARAM KeyBits(const KeyBit (&table)[N], unsigned state)
{
    WPARAM keys = 0;
    for (const KeyBit& bit : table)
        if (state & bit.from)
            keys |= bit.to;
    return keys;
}

WPARAM MouseKeysFromX(unsigned mask)
{
    return KeyBits(XKeyBits, mask);
}

WPARAM MouseKeysFromSdl(Uint32 buttons)
{
    return KeyBits(SdlButtonBits, buttons) | KeyBits(SdlModifierBits, unsigned(SDL_GetModState()));
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

void TranslateKey(const SDL_KeyboardEvent& e)
{
    int vk = VirtualKey(e.keysym);
    if (vk == 0)
        return;
    DeliverKey(KeyTarget(e.windowID), vk, e.type == SDL_KEYDOWN, static_cast<unsigned>(e.keysym.scancode));
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
        WPARAM keys = 0;
        if (!Pointer(w->native, &x, &y, &keys))
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
        return;  // the capture window's pointer is followed by the queue
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
        if (!ServerSize(Sdl(w->native), &width, &height))
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

SDL_Cursor* SdlCursor(int id)
{
    auto& cursors = Cursors();
    auto it = cursors.find(id);
    if (it != cursors.end())
        return it->second;
    SDL_SystemCursor kind = SDL_SYSTEM_CURSOR_ARROW;
    if (id == IDC_CROSS)
        kind = SDL_SYSTEM_CURSOR_CROSSHAIR;
    if (id == IDC_WAIT)
        kind = SDL_SYSTEM_CURSOR_WAIT;
    SDL_Cursor* made = SDL_CreateSystemCursor(kind);
    if (made)
        cursors[id] = made;
    return made;
}

}  // namespace

void PumpEvents()
{
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
}

void WaitEvents(const int* descriptors, int count, int limitMs)
{
    // Every window of SDL's video driver shares one display connection.
    Display* display = nullptr;
    for (auto& entry : S().windows) {
        X11Window native;
        if (entry.second->native && NativeOf(Sdl(entry.second->native), &native)) {
            display = native.display;
            break;
        }
    }
    std::vector<pollfd> watched;
    if (display) {
        // Requests still buffered go out first (what they cause may be what
        // is waited for); events read already, and not yet taken by SDL, end
        // the wait at once: the connection would not show them as readable.
        if (XEventsQueued(display, QueuedAfterFlush) > 0)
            return;
        watched.push_back(pollfd{ConnectionNumber(display), POLLIN, 0});
    } else if (!Offscreen()) {
        // No connection to wait on: never sleep long without looking.
        // (Offscreen windows have no events at all: only the descriptors
        // and the limit end the wait.)
        constexpr int UnwatchedMs = 10;
        if (limitMs < 0 || limitMs > UnwatchedMs)
            limitMs = UnwatchedMs;
    }
    for (int i = 0; i < count; ++i)
        if (descriptors[i] >= 0)
            watched.push_back(pollfd{descriptors[i], POLLIN, 0});
    // A signal ends the wait early, which is harmless: the loop looks again.
    poll(watched.data(), watched.size(), limitMs < 0 ? -1 : limitMs);
}

bool Pointer(NativeWindow* window, int* x, int* y, WPARAM* keys)
{
    X11Window native;
    if (!NativeOf(Sdl(window), &native))
        return false;
    ::Window root, child;
    int rootX, rootY;
    unsigned mask = 0;
    if (!XQueryPointer(native.display, native.window, &root, &child, &rootX, &rootY, x, y, &mask))
        return false;
    *keys = MouseKeysFromX(mask);
    return true;
}

void CaptureMouse(bool on)
{
    SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE);
}

bool ModifierDown(int vk)
{
    SDL_PumpEvents();
    SDL_Keymod mod = SDL_GetModState();
    return (vk == VK_SHIFT && (mod & KMOD_SHIFT)) || (vk == VK_CONTROL && (mod & KMOD_CTRL)) ||
           (vk == VK_MENU && (mod & KMOD_ALT));
}

void ShowCursor(int id)
{
    if (id == 0) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (SDL_Cursor* c = SdlCursor(id))
        SDL_SetCursor(c);
    SDL_ShowCursor(SDL_ENABLE);
}

void FreeCursors()
{
    for (auto& c : Cursors())
        SDL_FreeCursor(c.second);
    Cursors().clear();
}

}  // namespace plat::backend

}  // namespace glintwork
