// A framework window that clears to a colour, writes a line of text and
// reacts to keys: Space or C changes the colour, T the title, M the cursor;
// Escape or closing the window ends the program with status 0;
// GLINTWORK_FRAMES=N ends it after N frames.
#include <GL/gl.h>

#include <cstdlib>

#include "framework/glwindow/GLWindow.h"
#include "framework/main/App.h"
#include "framework/platform/PlatformWindow.h"

namespace glintwork {

namespace {

struct Colour {
    const char* name;
    float red, green, blue;
};

const Colour COLOURS[] = {{"midnight", 0.05f, 0.08f, 0.25f},
                          {"moss", 0.20f, 0.45f, 0.15f},
                          {"brick", 0.65f, 0.20f, 0.12f},
                          {"sand", 0.90f, 0.82f, 0.55f}};
const char* const TITLES[] = {"Glintwork example", "Glintwork example - second title",
                              "Glintwork example - third title"};
const int CURSORS[] = {GLWindow::CURSOR_ARROW, GLWindow::CURSOR_CROSS, GLWindow::CURSOR_WAIT, 0};
const char* const CURSOR_NAMES[] = {"arrow", "crosshair", "hourglass", "hidden"};

template <class T, int N> constexpr int Count(const T (&)[N])
{
    return N;
}

class ExampleWindow : public GLWindow {
public:
    ExampleWindow() { SetTitle(TITLES[0]); }

    void OnResize(int width, int height) override
    {
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    void OnDisplay() override
    {
        const Colour& c = COLOURS[colour];
        glClearColor(c.red, c.green, c.blue, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        float ink = (c.red + c.green + c.blue) > 1.5f ? 0.0f : 1.0f;
        glColor3f(ink, ink, ink);
        glRasterPos2i(8, Height() - 16);
        Printf("%s, cursor %s", c.name, CURSOR_NAMES[cursor]);
        glRasterPos2i(8, Height() - 30);
        Printf("Space colour, T title, M cursor, Esc quit");
        SwapBuffers();
    }

    void OnKeyboard(int key, bool pressed) override
    {
        if (!pressed)
            return;
        switch (key) {
        case plat::VK_ESCAPE:
            Close();
            return;
        case ' ':
        case 'C':
            colour = (colour + 1) % Count(COLOURS);
            break;
        case 'T':
            title = (title + 1) % Count(TITLES);
            SetTitle(TITLES[title]);
            break;
        case 'M':
            cursor = (cursor + 1) % Count(CURSORS);
            SetCursor(CURSORS[cursor]);
            break;
        default:
            return;
        }
        Redraw();
    }

    void OnIdle() override { Redraw(); }

private:
    int colour = 0;
    int title = 0;
    int cursor = 0;
};

class ExampleApp : public App {
public:
    // GLINTWORK_FRAMES=N closes the window after N frames (for tests).
    void OnCreate() override
    {
        const char* frames = std::getenv("GLINTWORK_FRAMES");
        if (frames && *frames)
            window.SetFrameLimit(std::atol(frames));
    }

    ExampleWindow window;
};

ExampleApp app;

}  // namespace

}  // namespace glintwork
