#include "framework/platform/SdlNative.h"

#include <SDL_syswm.h>

namespace glintwork {

namespace plat::backend {

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

void SetSdlError()
{
    SetError(SDL_GetError());
}

WindowRecord* FromSdlWindow(SDL_Window* sdl)
{
    if (!sdl)
        return nullptr;
    return Find(ToHandle<HWND>(reinterpret_cast<std::uintptr_t>(SDL_GetWindowData(sdl, RecordIdSlot))));
}

WindowRecord* FromSdlId(Uint32 windowId)
{
    return FromSdlWindow(SDL_GetWindowFromID(windowId));
}

}  // namespace plat::backend

}  // namespace glintwork
