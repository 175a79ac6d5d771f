// SDL2 backend: GL contexts, and pixel formats read from the GLX visual of a
// window (offscreen, from the context SDL made through EGL).
#include "framework/platform/PlatformBackend.h"
#include "framework/platform/SdlNative.h"

#include <GL/glx.h>
#include <X11/Xutil.h>

#include <string>

namespace glintwork {

namespace plat::backend {

namespace {

SDL_GLContext Gl(NativeContext* context)
{
    return reinterpret_cast<SDL_GLContext>(context);
}

// Puts back the context that was current before, or none.
void RestoreCurrent(SDL_Window* previousWindow, SDL_GLContext previousContext)
{
    if (previousContext) {
        SDL_GL_MakeCurrent(previousWindow, previousContext);
    } else {
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
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

// What the context current now was made with, as SDL reads it back (the
// offscreen driver has no X visual to ask).
bool DescribeCurrent(PixelFormatDescriptor* out)
{
    if (!SDL_GL_GetCurrentContext())
        return false;
    auto get = [](SDL_GLattr attribute) {
        int value = 0;
        return SDL_GL_GetAttribute(attribute, &value) == 0 ? value : 0;
    };
    PixelFormatDescriptor d;
    d.flags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (get(SDL_GL_DOUBLEBUFFER))
        d.flags |= PFD_DOUBLEBUFFER;
    if (get(SDL_GL_STEREO))
        d.flags |= PFD_STEREO;
    d.colorBits = get(SDL_GL_RED_SIZE) + get(SDL_GL_GREEN_SIZE) + get(SDL_GL_BLUE_SIZE);
    d.alphaBits = get(SDL_GL_ALPHA_SIZE);
    d.accumBits = get(SDL_GL_ACCUM_RED_SIZE) + get(SDL_GL_ACCUM_GREEN_SIZE) + get(SDL_GL_ACCUM_BLUE_SIZE) +
                  get(SDL_GL_ACCUM_ALPHA_SIZE);
    d.depthBits = get(SDL_GL_DEPTH_SIZE);
    d.stencilBits = get(SDL_GL_STENCIL_SIZE);
    *out = d;
    return true;
}

// Records why a window or a context could not be made; offscreen, with the
// packages the offscreen drawing needs (SDL loads EGL, and EGL the software
// driver, only when the first GL window is made).
void SetContextError()
{
    if (Offscreen())
        SetError((std::string(SDL_GetError()) +
                  "; drawing without a display needs EGL and Mesa's software driver: are the packages libegl1 "
                  "and libgl1-mesa-dri installed?")
                     .c_str());
    else
        SetSdlError();
}

}  // namespace

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

bool Probe(const PixelFormatDescriptor& request, PixelFormatDescriptor* obtained)
{
    ApplyRequest(request);
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!probe) {
        SetContextError();
        return false;
    }
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(probe);
    if (!context)
        SetContextError();
    // SDL_GL_CreateContext leaves the new context current.
    bool ok = context && (Offscreen() ? DescribeCurrent(obtained) : DescribeDrawable(probe, obtained));
    if (context)
        SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(probe);
    RestoreCurrent(previousWindow, previousContext);
    return ok;
}

bool DescribeWindow(NativeWindow* window, PixelFormatDescriptor* out)
{
    return DescribeDrawable(Sdl(window), out);
}

NativeContext* CreateContext(NativeWindow* window)
{
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(Sdl(window));
    if (!context) {
        SetContextError();
        return nullptr;
    }
    RestoreCurrent(previousWindow, previousContext);
    return reinterpret_cast<NativeContext*>(context);
}

void DeleteContext(NativeContext* context)
{
    SDL_GL_DeleteContext(Gl(context));
}

bool MakeCurrent(NativeWindow* window, NativeContext* context, bool clearFirst)
{
    if (SDL_GL_MakeCurrent(Sdl(window), Gl(context)) != 0) {
        SetSdlError();
        return false;
    }
    if (clearFirst) {
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glPopAttrib();
        SDL_GL_SwapWindow(Sdl(window));
    }
    return true;
}

void ReleaseCurrent()
{
    SDL_GL_MakeCurrent(nullptr, nullptr);
}

NativeContext* CurrentContext()
{
    return reinterpret_cast<NativeContext*>(SDL_GL_GetCurrentContext());
}

std::uintptr_t CurrentWindowId()
{
    WindowRecord* w = FromSdlWindow(SDL_GL_GetCurrentWindow());
    return w ? w->id : 0;
}

void SwapBuffers(NativeWindow* window)
{
    SDL_GL_SwapWindow(Sdl(window));
}

}  // namespace plat::backend

}  // namespace glintwork
