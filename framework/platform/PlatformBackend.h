// What the portable half of the platform window layer asks of the window
// system. One backend (SDL2 on X11, with GLX for the pixel formats)
// implements it; failures record their reason with SetError.
#ifndef GLINTWORK_PLATFORMBACKEND_H
#define GLINTWORK_PLATFORMBACKEND_H

#include "framework/platform/PlatformState.h"

namespace glintwork {

namespace plat::backend {

// --- the window system as a whole ---------------------------------------------
// Connects on first use, to the X display or, with `offscreenOnly` or no
// usable display, to the offscreen driver; false when neither can start.
bool Start(bool offscreenOnly);
bool Started();
bool Offscreen();                    // once started: drawing without a display
const char* UnusableDisplayReason();  // why a display named was not used, or ""
void Stop();  // frees what Start and the cursors took
// Waits until the window system has handled every request made so far, on
// the connection of the window; false when it has none.
bool Sync(NativeWindow* window);
bool DisplayMode(int* width, int* height);
void OnConnectionLost(ConnectionLostHandler handler);

// --- windows ---------------------------------------------------------------------
// A hidden window with the visual of the request, of the record's title, place
// and size, and its style's frame. The record's id lets events find it.
NativeWindow* CreateWindow(const WindowRecord& w, const PixelFormatDescriptor& request);
void DestroyWindow(NativeWindow* window);
void Show(NativeWindow* window);
void Hide(NativeWindow* window);
void Raise(NativeWindow* window);
void SetTitle(NativeWindow* window, const char* title);
void SetFrame(NativeWindow* window, std::uint32_t style);  // caption and sizing frame
void SetTopmost(NativeWindow* window, bool topmost);
void SetPosition(NativeWindow* window, int x, int y);
// Returns the window at its new size: offscreen, a new native window in
// place of `window` (an offscreen buffer keeps the size it was made with),
// the context that was current on it current on the new one.
NativeWindow* SetSize(NativeWindow* window, int width, int height);
void GetSize(NativeWindow* window, int* width, int* height);
bool ScreenPosition(NativeWindow* window, int* x, int* y);
unsigned long NativeId(NativeWindow* window);  // 0 if none
bool RequestClose(NativeWindow* window);

// --- events and input -------------------------------------------------------------
// Turns every waiting window-system event into messages of the queue.
void PumpEvents();
// Sleeps until the window system has an event for PumpEvents, one of
// `descriptors` is readable or `limitMs` passes (negative: no limit).
void WaitEvents(const int* descriptors, int count, int limitMs);
// The pointer relative to the window, and the mouse-message key bits.
bool Pointer(NativeWindow* window, int* x, int* y, WPARAM* keys);
void CaptureMouse(bool on);
bool ModifierDown(int vk);  // VK_SHIFT, VK_CONTROL or VK_MENU, as of now
void ShowCursor(int id);    // a stock cursor id, or 0 to hide the cursor

// --- GL contexts and pixel formats ---------------------------------------------
// Whether a window and a context can be made from the request, and what they
// have. The current context is left as it was.
bool Probe(const PixelFormatDescriptor& request, PixelFormatDescriptor* obtained);
bool DescribeWindow(NativeWindow* window, PixelFormatDescriptor* out);
NativeContext* CreateContext(NativeWindow* window);  // leaves the current context as it was
void DeleteContext(NativeContext* context);
// `clearFirst`: clear the colour buffer and swap once before drawing starts.
bool MakeCurrent(NativeWindow* window, NativeContext* context, bool clearFirst);
void ReleaseCurrent();
NativeContext* CurrentContext();
std::uintptr_t CurrentWindowId();  // the id of the record whose drawable is current, 0 if none
void SwapBuffers(NativeWindow* window);

}  // namespace plat::backend

}  // namespace glintwork

#endif  // GLINTWORK_PLATFORMBACKEND_H
