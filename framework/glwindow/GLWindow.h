// The base class of every window of an application: one top-level window
// with its own GL context. Its events arrive as the virtual On... handlers,
// always with the window's context current (keys excepted). Everything but
// the pointer to the private record lives in that record.
#ifndef GLINTWORK_GLWINDOW_H
#define GLINTWORK_GLWINDOW_H

namespace glintwork {

class GLWindowEx;

class GLWindow {
public:
    // Cursor types for SetCursor; any other number hides the cursor over the
    // client area.
    enum { CURSOR_ARROW = 1, CURSOR_CROSS = 2, CURSOR_WAIT = 3 };

    GLWindow();
    virtual ~GLWindow();

    virtual void OnCreate();
    virtual void OnDestroy();
    virtual void OnDisplay();
    virtual void OnResize(int width, int height);
    // button 0 left, 1 middle, 2 right
    virtual void OnMouseButton(int button, bool pressed);
    // client pixels, y counted upwards from the bottom row
    virtual void OnMouseMove(int x, int y);
    // key: a virtual-key code of the platform layer (plat::VK_ESCAPE, ...;
    // letters as their upper-case character codes)
    virtual void OnKeyboard(int key, bool pressed);
    virtual void OnIdle();

    void SwapBuffers();
    // The main window closes, as if the user closed it, once this many
    // frames have been presented; 0 (the default): no limit.
    void SetFrameLimit(long frames);
    void Redraw();  // a paint, and with it OnDisplay, follows from the loop
    void Close();   // posts a close request
    // For GL work outside the handlers: after MakeCurrent(true) returned true,
    // call MakeCurrent(false) when done.
    bool MakeCurrent(bool on);
    bool IsMainWindow();
    void SetMainWindow();

    // Pixel-format requests. Before the OS window exists they only record the
    // request; later they re-create the window. The getters report the format
    // obtained while the window exists, the request otherwise.
    bool SetStereo(bool on);
    bool GetStereo();
    bool SetDoubleBuffer(bool on);
    bool GetDoubleBuffer();
    bool SetDepthBits(int bits);
    int GetDepthBits();
    bool SetStencilBits(int bits);
    int GetStencilBits();
    bool SetAlphaBits(int bits);
    int GetAlphaBits();
    bool SetAccumBits(int bits);
    int GetAccumBits();

    // Window services.
    void SetSize(int width, int height);  // client area; OnResize runs inside
    void SetPosition(int x, int y);
    void GetPosition(int& x, int& y);
    int Width();
    int Height();
    double Aspect();
    bool SetTitle(const char* text);
    const char* GetTitle();
    void Show();  // creates the OS window when there is none
    void Hide();
    bool IsVisible();
    bool SetFullscreen(bool on);
    bool IsFullscreen();
    bool SetTopmost(bool on);
    bool IsTopmost();
    bool SetCursor(int type);  // whether a cursor was shown before
    int GetCursor();
    bool ShiftDown();
    bool CtrlDown();
    bool AltDown();
    // Text at the current raster position, with this window's context current.
    unsigned Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool IsExtensionSupported(const char* name);

    GLWindowEx* extra;

private:
    bool SetFlag(unsigned flag, bool on);
    bool GetFlag(unsigned flag, unsigned formatFlag);
    bool SetBits(int GLWindowEx::*field, int bits);
    int GetBits(int GLWindowEx::*field);
};

// Prints the platform's text for its last error after the context, at a
// non-zero diagnostic level.
void ReportLastError(const char* context);

}  // namespace glintwork

#endif  // GLINTWORK_GLWINDOW_H
