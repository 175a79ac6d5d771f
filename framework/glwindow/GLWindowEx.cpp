#include "framework/glwindow/GLWindowEx.h"

#include <GL/gl.h>

#include <cstdio>
#include <iterator>
#include <string>

#include "framework/glwindow/ContextStack.h"
#include "framework/glwindow/GLWindow.h"
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"

namespace glintwork {

namespace {

bool pixelFormatErrorShown = false;

// The mouse-button messages and what OnMouseButton is told of them.
struct ButtonMessage {
    unsigned message;
    int button;
    bool pressed;
};
constexpr ButtonMessage ButtonMessages[] = {
    {plat::WM_LBUTTONDOWN, 0, true}, {plat::WM_LBUTTONUP, 0, false},  // left
    {plat::WM_MBUTTONDOWN, 1, true}, {plat::WM_MBUTTONUP, 1, false},  // middle
    {plat::WM_RBUTTONDOWN, 2, true}, {plat::WM_RBUTTONUP, 2, false},  // right
};

// Records what failed with the window system's reason, for the program to
// show; always false.
bool CreationFailed(const char* what)
{
    const char* reason = plat::GetLastErrorText();
    if (reason && *reason)
        return FrameworkFail((std::string(what) + ": " + reason).c_str());
    return FrameworkFail(what);
}

}  // namespace

GLWindowEx::GLWindowEx(GLWindow* owner) : parent(owner), hCursor(plat::LoadCursor(plat::IDC_ARROW)) {}

GLWindowEx::~GLWindowEx()
{
    Destroy();
}

bool GLWindowEx::HasWindow()
{
    return hWnd && plat::IsWindow(hWnd);
}

bool GLWindowEx::Create()
{
    std::uint32_t style = plat::WS_OVERLAPPEDWINDOW | plat::WS_CLIPCHILDREN | plat::WS_CLIPSIBLINGS;
    std::uint32_t exStyle = plat::WS_EX_APPWINDOW | plat::WS_EX_WINDOWEDGE;
    if (topmost)
        exStyle |= plat::WS_EX_TOPMOST;
    int left = x, top = y, outerWidth, outerHeight;
    if (fullscreenRequested) {
        style = plat::WS_POPUP | plat::WS_CLIPCHILDREN | plat::WS_CLIPSIBLINGS;
        if (!plat::GetDisplayMode(&outerWidth, &outerHeight)) {
            DebugPrintf("display mode cannot be read\n");
            outerWidth = 640;
            outerHeight = 480;
        }
        left = 0;
        top = 0;
        // Leaving full screen later gives a window at the screen's corner with
        // the requested client size.
        savedRect = plat::Rect{0, 0, width, height};
        fullscreen = true;
    } else {
        plat::Rect r{0, 0, width, height};
        plat::AdjustWindowRect(&r, style);
        outerWidth = r.right - r.left;
        outerHeight = r.bottom - r.top;
    }
    hWnd = plat::CreateWindow("GLAppWnd", title.c_str(), style, exStyle, left, top, outerWidth, outerHeight, this);
    if (!hWnd)
        return CreationFailed("Failed to create window");
    hDC = plat::GetDC(hWnd);
    if (!SetupPixelFormat())
        return CreationFailed("Failed to set pixel format");
    hGLRC = plat::CreateContext(hDC);
    if (!hGLRC)
        return CreationFailed("Failed to create GL context");
    SetupPalette();
    // The new context stays current; what was current before stays saved.
    if (!MakeCurrent(true))
        return CreationFailed("Failed to make GL context current");
    if (showOnCreate)
        plat::ShowWindow(hWnd, plat::SW_SHOW);
    plat::Rect client;
    if (plat::GetClientRect(hWnd, &client)) {
        width = client.right;
        height = client.bottom;
    }
    plat::PostMessage(hWnd, CreateMessage, 0, 0);
    return true;
}

void GLWindowEx::Destroy()
{
    bool current = MakeCurrent(true);
    if (parent)
        parent->OnDestroy();
    if (fontBase != 0) {
        // Without the context the lists went with it.
        if (current)
            glDeleteLists(fontBase, 255);
        fontBase = 0;
    }
    MakeCurrent(false);
    if (hGLRC) {
        plat::DeleteContext(hGLRC);
        hGLRC = nullptr;
    }
    if (hPalette) {
        plat::DeletePalette(hPalette);
        hPalette = nullptr;
    }
    plat::Rect r;
    if (hWnd && plat::GetWindowRect(hWnd, &r)) {
        x = r.left;
        y = r.top;
    }
    if (hWnd)
        plat::DestroyWindow(hWnd);
    hWnd = nullptr;
    hDC = nullptr;
}

bool GLWindowEx::Recreate()
{
    if (hWnd)
        Destroy();
    return Create();
}

bool GLWindowEx::SetupPixelFormat()
{
    if (!hDC)
        return false;
    plat::PixelFormatDescriptor request;
    request.flags = plat::PFD_DRAW_TO_WINDOW | plat::PFD_SUPPORT_OPENGL;
    if (flags & FLAG_DOUBLEBUFFER)
        request.flags |= plat::PFD_DOUBLEBUFFER;
    if (flags & FLAG_STEREO)
        request.flags |= plat::PFD_STEREO;
    request.colorBits = colorBits;
    request.alphaBits = alphaBits;
    request.accumBits = accumBits;
    request.depthBits = depthBits;
    request.stencilBits = stencilBits;
    int format = plat::ChoosePixelFormat(hDC, &request);
    if (format == 0)
        return false;
    if (!plat::SetPixelFormat(hDC, format))
        return false;
    plat::PixelFormatDescriptor got;
    if (plat::DescribePixelFormat(hDC, format, &got)) {
        DebugPrintf("pixel format: %d colour, %d alpha, %d depth, %d stencil, %d accum bits%s%s\n", got.colorBits,
                    got.alphaBits, got.depthBits, got.stencilBits, got.accumBits,
                    (got.flags & plat::PFD_DOUBLEBUFFER) ? ", double-buffered" : "",
                    (got.flags & plat::PFD_STEREO) ? ", stereo" : "");
    }
    return true;
}

bool GLWindowEx::DescribeFormat(plat::PixelFormatDescriptor* out)
{
    int format = plat::GetPixelFormat(hDC);
    return format != 0 && plat::DescribePixelFormat(hDC, format, out);
}

bool GLWindowEx::CanChangePixelFormat()
{
    if (!inOnCreate)
        return true;
    if (!pixelFormatErrorShown) {
        pixelFormatErrorShown = true;
        ShowMessage("Error: You cannot change pixel format in GLWindow::OnCreate\n"
                    "(cannot change depth/alpha/stencil/accum bits, or any setting\n"
                    "that would recreate the window)");
    }
    return false;
}

bool GLWindowEx::MakeCurrent(bool on)
{
    ContextStack& stack = ContextStack::Get();
    if (on) {
        if (hPalette) {
            hOldPalette = plat::SelectPalette(hDC, hPalette, false);
            plat::RealizePalette(hDC);
        }
        stack.Push();
        return stack.MakeCurrent(hDC, hGLRC);
    }
    stack.Pop();
    if (hOldPalette) {
        plat::SelectPalette(hDC, hOldPalette, true);
        hOldPalette = nullptr;
    }
    return true;
}

bool GLWindowEx::IsMainWindow()
{
    return Main::Get()->GetMainWnd() == this;
}

plat::LRESULT GLWindowEx::HandleMessage(plat::HWND hwnd, unsigned message, plat::WPARAM wParam, plat::LPARAM lParam)
{
    switch (message) {
    case plat::WM_DESTROY:
        // The OS window is going (a closed main window). Its context can be
        // made current now but not once the window is gone, so the font's
        // display lists are deleted now (the driver would keep them); the
        // handles stay in the record until Destroy.
        if (fontBase != 0 && hGLRC && MakeCurrent(true)) {
            glDeleteLists(fontBase, 255);
            fontBase = 0;
            MakeCurrent(false);
        }
        return 0;
    case plat::WM_SIZE:
        return OnSizeMessage(lParam);
    case plat::WM_PAINT:
        return OnPaintMessage(hwnd);
    case plat::WM_CLOSE:
        return OnCloseMessage(hwnd, wParam, lParam);
    case plat::WM_SETCURSOR:
        if (overFrame)
            return plat::DefWindowProc(hwnd, message, wParam, lParam);
        plat::SetCursor(hCursor);
        return 0;
    case plat::WM_NCMOUSEMOVE:
        overFrame = true;
        return plat::DefWindowProc(hwnd, message, wParam, lParam);
    case plat::WM_KEYDOWN:
    case plat::WM_KEYUP:
        if (!parent)
            return plat::DefWindowProc(hwnd, message, wParam, lParam);
        parent->OnKeyboard(static_cast<int>(wParam), message == plat::WM_KEYDOWN);
        return 0;
    case plat::WM_MOUSEMOVE:
        return OnPointerMessage(lParam);
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONUP:
    case plat::WM_MBUTTONDOWN:
    case plat::WM_MBUTTONUP:
    case plat::WM_RBUTTONDOWN:
    case plat::WM_RBUTTONUP:
        return OnButtonMessage(message);
    case CreateMessage:
        return OnCreateMessage(hwnd);
    default:
        return plat::DefWindowProc(hwnd, message, wParam, lParam);
    }
}

plat::LRESULT GLWindowEx::OnSizeMessage(plat::LPARAM lParam)
{
    width = static_cast<int>(plat::LowWord(lParam));
    height = static_cast<int>(plat::HighWord(lParam));
    if (MakeCurrent(true)) {
        if (parent)
            parent->OnResize(width, height);
        MakeCurrent(false);
    }
    return 0;
}

plat::LRESULT GLWindowEx::OnPaintMessage(plat::HWND hwnd)
{
    if (!plat::GetUpdateRect(hwnd, nullptr))
        return 0;
    plat::BeginPaint(hwnd);
    if (MakeCurrent(true)) {
        if (parent)
            parent->OnDisplay();
        MakeCurrent(false);
    } else {
        DebugPrintf("can't makecurrent\n");
    }
    plat::EndPaint(hwnd);
    return 0;
}

plat::LRESULT GLWindowEx::OnCloseMessage(plat::HWND hwnd, plat::WPARAM wParam, plat::LPARAM lParam)
{
    if (IsMainWindow()) {
        plat::PostQuitMessage(static_cast<int>(wParam));
        return plat::DefWindowProc(hwnd, plat::WM_CLOSE, wParam, lParam);
    }
    if (parent)
        parent->Hide();
    return 0;
}

plat::LRESULT GLWindowEx::OnPointerMessage(plat::LPARAM lParam)
{
    if (MakeCurrent(true)) {
        if (parent)
            parent->OnMouseMove(plat::SignedLow(lParam), height - plat::SignedHigh(lParam) - 1);
        MakeCurrent(false);
    }
    overFrame = false;
    return 0;
}

plat::LRESULT GLWindowEx::OnButtonMessage(unsigned message)
{
    if (!MakeCurrent(true))
        return 0;
    // The right button's release is the last entry, taken for any message
    // the table does not hold.
    const ButtonMessage* entry = std::begin(ButtonMessages);
    while (entry + 1 != std::end(ButtonMessages) && entry->message != message)
        ++entry;
    const int button = entry->button;
    const bool pressed = entry->pressed;
    // Held buttons keep the pointer's moves and the release coming to this
    // window even outside it.
    if (pressed) {
        plat::SetCapture(hWnd);
    } else {
        plat::ReleaseCapture();
    }
    if (parent)
        parent->OnMouseButton(button, pressed);
    MakeCurrent(false);
    return 0;
}

plat::LRESULT GLWindowEx::OnCreateMessage(plat::HWND hwnd)
{
    DebugPrintf("create message(hwnd=%lX, wndex=%lX)\n", reinterpret_cast<unsigned long>(hwnd),
                reinterpret_cast<unsigned long>(this));
    if (inOnCreate) {
        DebugPrintf("warning: create message received during OnCreate\n");
        return 0;
    }
    inOnCreate = true;
    if (MakeCurrent(true)) {
        if (parent)
            parent->OnCreate();
        MakeCurrent(false);
    }
    inOnCreate = false;
    return 0;
}

}  // namespace glintwork
