// What the SDL2 backend's files share: the SDL window behind a native window
// handle, the X11 window under it, and the way back from an SDL window to
// the platform's window record.
#ifndef GLINTWORK_SDLNATIVE_H
#define GLINTWORK_SDLNATIVE_H

#include "framework/platform/PlatformState.h"

#include <SDL.h>
#include <X11/Xlib.h>

namespace glintwork {

namespace plat::backend {

inline SDL_Window* Sdl(NativeWindow* window)
{
    return reinterpret_cast<SDL_Window*>(window);
}
inline NativeWindow* Native(SDL_Window* window)
{
    return reinterpret_cast<NativeWindow*>(window);
}

struct X11Window {
    Display* display = nullptr;
    ::Window window = 0;
};

// The X11 display and window of an SDL window; false for null or another
// video driver.
bool NativeOf(SDL_Window* sdl, X11Window* out);

// Records the reason SDL gave for its last failure.
void SetSdlError();

// The record of the window an SDL window was made for, null when it is gone.
WindowRecord* FromSdlWindow(SDL_Window* sdl);
WindowRecord* FromSdlId(Uint32 windowId);

// Sets SDL's GL attributes for a pixel-format request (with the GL contexts).
void ApplyRequest(const PixelFormatDescriptor& request);
// Frees the cursors made so far (with the events).
void FreeCursors();

// The SDL window data slot that holds the record's id.
constexpr const char* RecordIdSlot = "plat.id";

}  // namespace plat::backend

}  // namespace glintwork

#endif  // GLINTWORK_SDLNATIVE_H
