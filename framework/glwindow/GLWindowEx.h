// The private record of a GLWindow: the OS handles, the requested geometry
// and pixel format, the title and the flags. Main's registry and the window
// procedure work on these records.
#ifndef GLINTWORK_GLWINDOWEX_H
#define GLINTWORK_GLWINDOWEX_H

#include <cstdint>
#include <string>

#include "framework/platform/PlatformWindow.h"

namespace glintwork {

class GLWindow;

class GLWindowEx {
public:
    // Pixel-format request flags (1 and 2 are set from the start and mean
    // nothing).
    static constexpr std::uint32_t FLAG_DOUBLEBUFFER = 4;
    static constexpr std::uint32_t FLAG_STEREO = 8;
    // Posted to the window once it and its GL context exist; OnCreate runs
    // when the loop takes it.
    static constexpr unsigned CreateMessage = plat::WM_USER + 1;

    explicit GLWindowEx(GLWindow* owner);
    virtual ~GLWindowEx();

    bool Create();
    void Destroy();
    bool Recreate();
    bool SetupPixelFormat();
    bool CanChangePixelFormat();
    bool MakeCurrent(bool on);
    bool IsMainWindow();
    bool HasWindow();  // the OS window exists now
    bool DescribeFormat(plat::PixelFormatDescriptor* out);
    plat::LRESULT HandleMessage(plat::HWND hwnd, unsigned message, plat::WPARAM wParam, plat::LPARAM lParam);
    bool SetupPalette();
    unsigned DrawString(const char* text);

    GLWindow* parent;
    plat::HWND hWnd = nullptr;
    plat::HDC hDC = nullptr;
    plat::HGLRC hGLRC = nullptr;
    plat::HPALETTE hPalette = nullptr;
    plat::HPALETTE hOldPalette = nullptr;
    int x = plat::CW_USEDEFAULT;
    int y = plat::CW_USEDEFAULT;
    int width = 320;
    int height = 240;
    std::uint32_t flags = 7;
    int colorBits = 24;
    int depthBits = 32;
    int stencilBits = 0;
    int alphaBits = 0;
    int accumBits = 0;
    std::string title = "OpenGL";
    bool showOnCreate = true;
    bool fullscreenRequested = false;
    bool fullscreen = false;
    bool topmost = false;
    bool overFrame = false;
    plat::Rect savedRect;
    bool inOnCreate = false;
    unsigned fontBase = 0;
    plat::HCURSOR hCursor;
    int cursorType = 1;
    long framesPresented = 0;  // swaps counted against frameLimit
    long frameLimit = 0;       // GLWindow::SetFrameLimit

private:
    plat::LRESULT OnSizeMessage(plat::LPARAM lParam);
    plat::LRESULT OnPaintMessage(plat::HWND hwnd);
    plat::LRESULT OnCloseMessage(plat::HWND hwnd, plat::WPARAM wParam, plat::LPARAM lParam);
    plat::LRESULT OnPointerMessage(plat::LPARAM lParam);
    plat::LRESULT OnButtonMessage(unsigned message);
    plat::LRESULT OnCreateMessage(plat::HWND hwnd);
};

}  // namespace glintwork

#endif  // GLINTWORK_GLWINDOWEX_H
