// Size, position, title, visibility, full screen, topmost, cursor, modifier
// keys, text and the extension test of a GLWindow, and the record's text and
// palette helpers. Before the OS window exists these only change the record.
#include <GL/gl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/glwindow/BitmapFont.h"
#include "framework/glwindow/GLWindow.h"
#include "framework/glwindow/GLWindowEx.h"
#include "framework/glwindow/Palette.h"
#include "framework/main/MainServices.h"

namespace glintwork {

void ReportLastError(const char* context)
{
    DebugPrintf("%s: %s\n", context, plat::GetLastErrorText());
}

void GLWindow::SetSize(int width, int height)
{
    if (!extra)
        return;
    width = std::max(0, width);
    height = std::max(0, height);
    if (extra->HasWindow()) {
        auto style = static_cast<std::uint32_t>(plat::GetWindowLong(extra->hWnd, plat::GWL_STYLE));
        plat::Rect r{0, 0, width, height};
        if (plat::AdjustWindowRect(&r, style)) {
            plat::SetWindowPos(extra->hWnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                               plat::SWP_NOMOVE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
        }
    }
    extra->width = width;
    extra->height = height;
}

void GLWindow::SetPosition(int x, int y)
{
    if (!extra)
        return;
    if (extra->HasWindow()) {
        plat::SetWindowPos(extra->hWnd, nullptr, x, y, 0, 0,
                           plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
    }
    extra->x = x;
    extra->y = y;
}

void GLWindow::GetPosition(int& x, int& y)
{
    if (!extra)
        return;
    plat::Rect r;
    if (extra->HasWindow() && plat::GetWindowRect(extra->hWnd, &r)) {
        x = r.left;
        y = r.top;
        return;
    }
    x = extra->x;
    y = extra->y;
}

int GLWindow::Width()
{
    return extra ? extra->width : 0;
}

int GLWindow::Height()
{
    return extra ? extra->height : 0;
}

double GLWindow::Aspect()
{
    if (!extra || extra->height == 0)
        return 1.0;
    return static_cast<double>(extra->width) / static_cast<double>(extra->height);
}

bool GLWindow::SetTitle(const char* text)
{
    if (!extra || !text)
        return false;
    extra->title = text;
    if (!extra->HasWindow())
        return true;
    return plat::SetWindowText(extra->hWnd, text);
}

const char* GLWindow::GetTitle()
{
    return extra ? extra->title.c_str() : "";
}

void GLWindow::Show()
{
    if (!extra)
        return;
    if (!extra->HasWindow()) {
        // What is left of a closed window (its context above all) goes first,
        // so that OnDestroy and OnCreate bracket every context.
        if (extra->hWnd || extra->hGLRC)
            extra->Destroy();
        extra->showOnCreate = true;
        extra->Create();
        return;
    }
    plat::ShowWindow(extra->hWnd, plat::SW_SHOW);
}

void GLWindow::Hide()
{
    if (!extra)
        return;
    if (extra->HasWindow()) {
        plat::ShowWindow(extra->hWnd, plat::SW_HIDE);
    } else {
        extra->showOnCreate = false;
    }
}

bool GLWindow::IsVisible()
{
    return extra && extra->HasWindow() && plat::IsWindowVisible(extra->hWnd);
}

// Full screen is a window without caption and frame that covers the display;
// the display mode itself never changes.
bool GLWindow::SetFullscreen(bool on)
{
    if (!extra)
        return false;
    GLWindowEx& r = *extra;
    if (!r.HasWindow()) {
        r.fullscreenRequested = on;
        return true;
    }
    if (on == r.fullscreen)
        return true;
    auto style = static_cast<std::uint32_t>(plat::GetWindowLong(r.hWnd, plat::GWL_STYLE));
    if (style == 0) {
        ReportLastError("GetWindowLong(GWL_STYLE) failed");
        return false;
    }
    if (on) {
        int displayWidth = 0, displayHeight = 0;
        if (!plat::GetDisplayMode(&displayWidth, &displayHeight)) {
            DebugPrintf("display mode cannot be read\n");
            return false;
        }
        if (!plat::GetWindowRect(r.hWnd, &r.savedRect)) {
            DebugPrintf("Unable to query window rectangle");
            return false;
        }
        style &= ~(plat::WS_CAPTION | plat::WS_THICKFRAME);
        if (plat::SetWindowLong(r.hWnd, plat::GWL_STYLE, static_cast<std::intptr_t>(style)) == 0)
            ReportLastError("SetWindowLong(GWL_STYLE) failed");
        if (!plat::SetWindowPos(r.hWnd, nullptr, 0, 0, displayWidth, displayHeight, 0))
            ReportLastError("SetWindowPos failed");
        r.fullscreenRequested = true;
        r.fullscreen = true;
        return true;
    }
    style |= plat::WS_OVERLAPPEDWINDOW;
    if (plat::SetWindowLong(r.hWnd, plat::GWL_STYLE, static_cast<std::intptr_t>(style)) == 0)
        ReportLastError("SetWindowLong(GWL_STYLE) failed");
    const plat::Rect& s = r.savedRect;
    if (!plat::SetWindowPos(r.hWnd, nullptr, s.left, s.top, s.right - s.left, s.bottom - s.top, plat::SWP_NOZORDER))
        ReportLastError("SetWindowPos failed");
    r.fullscreenRequested = false;
    r.fullscreen = false;
    return true;
}

bool GLWindow::IsFullscreen()
{
    return extra && extra->fullscreen;
}

bool GLWindow::SetTopmost(bool on)
{
    if (!extra)
        return false;
    if (extra->HasWindow() && !plat::SetWindowPos(extra->hWnd, on ? plat::HWND_TOPMOST : plat::HWND_NOTOPMOST, 0, 0, 0,
                                                  0, plat::SWP_NOMOVE | plat::SWP_NOSIZE)) {
        return false;
    }
    extra->topmost = on;
    return true;
}

bool GLWindow::IsTopmost()
{
    if (!extra)
        return false;
    if (extra->HasWindow())
        return (static_cast<std::uint32_t>(plat::GetWindowLong(extra->hWnd, plat::GWL_EXSTYLE)) &
                plat::WS_EX_TOPMOST) != 0;
    return extra->topmost;
}

bool GLWindow::SetCursor(int type)
{
    if (!extra)
        return false;
    plat::HCURSOR cursor = nullptr;
    if (type == CURSOR_ARROW)
        cursor = plat::LoadCursor(plat::IDC_ARROW);
    if (type == CURSOR_CROSS)
        cursor = plat::LoadCursor(plat::IDC_CROSS);
    if (type == CURSOR_WAIT)
        cursor = plat::LoadCursor(plat::IDC_WAIT);
    plat::HCURSOR previous = plat::SetCursor(cursor);
    extra->cursorType = type;
    extra->hCursor = cursor;
    return previous != nullptr;
}

int GLWindow::GetCursor()
{
    return extra ? extra->cursorType : 0;
}

bool GLWindow::ShiftDown()
{
    return plat::GetAsyncKeyState(plat::VK_SHIFT) != 0;
}

bool GLWindow::CtrlDown()
{
    return plat::GetAsyncKeyState(plat::VK_CONTROL) != 0;
}

bool GLWindow::AltDown()
{
    return plat::GetAsyncKeyState(plat::VK_MENU) != 0;
}

unsigned GLWindow::Printf(const char* format, ...)
{
    if (!format)
        return 0;
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0 || length > 1023 || !extra)
        return 0;
    unsigned result = extra->DrawString(buffer);
    if (result == 0) {
        DebugPrintf("warning: text not drawn; building the font again\n");
        result = extra->DrawString(buffer);
        if (result == 0)
            DebugPrintf("warning: text not drawn with the font built again either\n");
    }
    return result;
}

bool GLWindow::IsExtensionSupported(const char* name)
{
    if (!extra || !name || !*name || std::strchr(name, ' '))
        return false;
    if (!MakeCurrent(true))
        return false;
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    bool found = false;
    if (all) {
        std::size_t length = std::strlen(name);
        for (const char* at = std::strstr(all, name); at; at = std::strstr(at + length, name)) {
            bool startsWord = at == all || at[-1] == ' ';
            bool endsWord = at[length] == ' ' || at[length] == '\0';
            if (startsWord && endsWord) {
                found = true;
                break;
            }
        }
    }
    MakeCurrent(false);
    return found;
}

unsigned GLWindowEx::DrawString(const char* text)
{
    if (!text || !hDC)
        return 0;
    if (fontBase == 0 || !glIsList(fontBase)) {
        fontBase = glGenLists(FONT_GLYPHS);
        if (fontBase == 0)
            return 0;
        if (!BuildFontLists(fontBase)) {
            glDeleteLists(fontBase, FONT_GLYPHS);
            fontBase = 0;
            return 0;
        }
    }
    // Code 255 has no list of its own: fontBase + 255 may name a list that
    // belongs to somebody else, so it is left out rather than called.
    std::string codes(text);
    codes.erase(std::remove(codes.begin(), codes.end(), '\xff'), codes.end());
    glPushAttrib(GL_LIST_BIT);
    glListBase(fontBase);
    glCallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
    glPopAttrib();
    return fontBase;
}

bool GLWindowEx::SetupPalette()
{
    if (hPalette || !hDC)
        return false;
    plat::PixelFormatDescriptor d;
    if (!DescribeFormat(&d))
        return false;
    if (!(d.flags & plat::PFD_NEED_PALETTE))
        return true;
    plat::PaletteEntry entries[PALETTE_SIZE];
    FillPalette(entries);
    hPalette = plat::CreatePalette(entries, PALETTE_SIZE);
    return true;
}

}  // namespace glintwork
