#include "framework/glwindow/GLWindow.h"

#include <GL/gl.h>

#include "framework/glwindow/GLWindowEx.h"
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"

namespace glintwork {

GLWindow::GLWindow() : extra(nullptr)
{
    DebugPrintf("GLWindow\n");
    if (!Main::Get()->RegisterWndClass()) {
        FrameworkFail("Failed to register window class");
        return;
    }
    extra = new GLWindowEx(this);
    GLINTWORK_CHECK(extra != nullptr, "extra!=NULL");
    Main::Get()->AddWnd(extra);
}

GLWindow::~GLWindow()
{
    DebugPrintf("~GLWindow\n");
    if (!extra)
        return;
    Main::Get()->DelWnd(extra);
    delete extra;
    extra = nullptr;
}

void GLWindow::OnCreate()
{
    DebugPrintf("GLWindow::OnCreate\n");
}

void GLWindow::OnDestroy()
{
    DebugPrintf("GLWindow::OnDestroy 0x%08lX\n", reinterpret_cast<unsigned long>(this));
}

void GLWindow::OnDisplay()
{
    DebugPrintf("GLWindow::OnDisplay\n");
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers();
}

void GLWindow::OnResize(int width, int height)
{
    DebugPrintf("GLWindow::OnResize\n");
    glViewport(0, 0, width, height);
}

void GLWindow::OnMouseButton(int button, bool pressed)
{
    DebugPrintf("GLWindow::OnMouseButton(%d,%d)\n", button, pressed ? 1 : 0);
}

void GLWindow::OnMouseMove(int, int) {}

void GLWindow::OnKeyboard(int key, bool pressed)
{
    DebugPrintf("GLWindow::OnKeyboard(%d,%d)\n", key, pressed ? 1 : 0);
}

void GLWindow::OnIdle() {}

// With a frame limit the main window closes, as if the user closed it, once
// that many frames have been presented.
void GLWindow::SwapBuffers()
{
    if (!extra || !extra->hDC)
        return;
    plat::SwapBuffers(extra->hDC);
    if (!IsMainWindow() || extra->frameLimit <= 0)
        return;
    if (++extra->framesPresented == extra->frameLimit)
        Close();
}

void GLWindow::SetFrameLimit(long frames)
{
    if (extra)
        extra->frameLimit = frames;
}

void GLWindow::Redraw()
{
    if (extra && extra->hWnd)
        plat::InvalidateRect(extra->hWnd);
}

void GLWindow::Close()
{
    if (extra && extra->hWnd)
        plat::PostMessage(extra->hWnd, plat::WM_CLOSE, 0, 0);
}

bool GLWindow::MakeCurrent(bool on)
{
    return extra && extra->MakeCurrent(on);
}

bool GLWindow::IsMainWindow()
{
    return extra && extra->IsMainWindow();
}

void GLWindow::SetMainWindow()
{
    if (extra)
        Main::Get()->SetMainWnd(extra);
}

// --- pixel-format requests -------------------------------------------------------

bool GLWindow::SetFlag(unsigned flag, bool on)
{
    if (!extra)
        return false;
    bool current = (flag == GLWindowEx::FLAG_STEREO) ? GetStereo() : GetDoubleBuffer();
    if (on == current)
        return true;
    if (!extra->CanChangePixelFormat())
        return false;
    std::uint32_t remembered = extra->flags;
    extra->flags = on ? (extra->flags | flag) : (extra->flags & ~flag);
    if (!extra->hDC)
        return true;
    if (extra->Recreate())
        return true;
    extra->flags = remembered;
    extra->Recreate();
    return false;
}

// The request while there is no OS window, the format obtained once there is.
bool GLWindow::GetFlag(unsigned flag, unsigned formatFlag)
{
    if (!extra)
        return false;
    if (!extra->hDC)
        return (extra->flags & flag) != 0;
    plat::PixelFormatDescriptor d;
    return extra->DescribeFormat(&d) && (d.flags & formatFlag) != 0;
}

bool GLWindow::SetBits(int GLWindowEx::*field, int bits)
{
    if (!extra || bits < 0 || bits > 255)
        return false;
    if (!extra->hDC) {
        extra->*field = bits;
        return true;
    }
    int old = GetBits(field);
    if (bits == old)
        return true;
    if (!extra->CanChangePixelFormat())
        return false;
    extra->*field = bits;
    if (extra->Recreate())
        return GetBits(field) >= bits;
    extra->*field = old;
    extra->Recreate();
    return false;
}

int GLWindow::GetBits(int GLWindowEx::*field)
{
    if (!extra)
        return 0;
    if (!extra->hDC)
        return extra->*field;
    plat::PixelFormatDescriptor d;
    if (!extra->DescribeFormat(&d))
        return 0;
    if (field == &GLWindowEx::depthBits)
        return d.depthBits;
    if (field == &GLWindowEx::stencilBits)
        return d.stencilBits;
    if (field == &GLWindowEx::alphaBits)
        return d.alphaBits;
    return d.accumBits;
}

bool GLWindow::SetStereo(bool on)
{
    return SetFlag(GLWindowEx::FLAG_STEREO, on);
}

bool GLWindow::GetStereo()
{
    return GetFlag(GLWindowEx::FLAG_STEREO, plat::PFD_STEREO);
}

bool GLWindow::SetDoubleBuffer(bool on)
{
    return SetFlag(GLWindowEx::FLAG_DOUBLEBUFFER, on);
}

bool GLWindow::GetDoubleBuffer()
{
    return GetFlag(GLWindowEx::FLAG_DOUBLEBUFFER, plat::PFD_DOUBLEBUFFER);
}

bool GLWindow::SetDepthBits(int bits)
{
    return SetBits(&GLWindowEx::depthBits, bits);
}
int GLWindow::GetDepthBits()
{
    return GetBits(&GLWindowEx::depthBits);
}
bool GLWindow::SetStencilBits(int bits)
{
    return SetBits(&GLWindowEx::stencilBits, bits);
}
int GLWindow::GetStencilBits()
{
    return GetBits(&GLWindowEx::stencilBits);
}
bool GLWindow::SetAlphaBits(int bits)
{
    return SetBits(&GLWindowEx::alphaBits, bits);
}
int GLWindow::GetAlphaBits()
{
    return GetBits(&GLWindowEx::alphaBits);
}
bool GLWindow::SetAccumBits(int bits)
{
    return SetBits(&GLWindowEx::accumBits, bits);
}
int GLWindow::GetAccumBits()
{
    return GetBits(&GLWindowEx::accumBits);
}

}  // namespace glintwork
