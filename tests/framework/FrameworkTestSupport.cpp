#include "tests/framework/FrameworkTestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>


namespace glintwork {

Log Filter(const Log& log, const std::string& prefix)
{
    Log out;
    for (const std::string& line : log)
        if (line.compare(0, prefix.size(), prefix) == 0)
            out.push_back(line);
    return out;
}

RecordingApp::RecordingApp(Log* log, double seconds) : log(log), deadline(GetTime() + seconds) {}

void RecordingApp::OnCreate()
{
    log->push_back("app create");
    if (onCreate)
        onCreate();
}

void RecordingApp::OnIdle()
{
    ++idlePasses;
    if (!timedOut && GetTime() > deadline) {
        timedOut = true;
        plat::PostQuitMessage(-1);
        return;
    }
    if (onIdle)
        onIdle();
}

int RecordingApp::Run()
{
    static char program[] = "framework_tests";
    static char* argv[] = {program, nullptr};
    return Main::Get()->Execute(1, argv);
}

RecordingWindow::RecordingWindow(Log* log, std::string name) : log(log), name(std::move(name)) {}

std::string RecordingWindow::ContextNote()
{
    bool mine = extra && extra->hGLRC && plat::GetCurrentContext() == extra->hGLRC;
    return mine ? "" : " (no context)";
}

void RecordingWindow::OnCreate()
{
    log->push_back(name + " create" + ContextNote());
    if (onCreate)
        onCreate();
}

void RecordingWindow::OnDisplay()
{
    ++displays;
    log->push_back(name + " display" + ContextNote());
    if (onDisplay) {
        onDisplay();
    } else {
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers();
    }
}

void RecordingWindow::OnResize(int width, int height)
{
    log->push_back(name + " resize " + std::to_string(width) + "x" + std::to_string(height) + ContextNote());
    GLWindow::OnResize(width, height);
}


PlainWindow MakePlainWindow(plat::WNDPROC proc, int width, int height, bool show)
{
    static int classes = 0;
    std::string name = "TestClass" + std::to_string(++classes);
    PlainWindow w;
    EXPECT_NE(plat::RegisterClass(name.c_str(), proc), 0);
    w.hwnd = plat::CreateWindow(name.c_str(), "plain", plat::WS_OVERLAPPEDWINDOW, 0, plat::CW_USEDEFAULT,
                                plat::CW_USEDEFAULT, width, height, nullptr);
    EXPECT_NE(w.hwnd, nullptr);
    w.dc = plat::GetDC(w.hwnd);
    plat::PixelFormatDescriptor request;
    request.flags = plat::PFD_DRAW_TO_WINDOW | plat::PFD_SUPPORT_OPENGL | plat::PFD_DOUBLEBUFFER;
    request.colorBits = 24;
    request.depthBits = 24;
    int format = plat::ChoosePixelFormat(w.dc, &request);
    EXPECT_NE(format, 0);
    EXPECT_TRUE(plat::SetPixelFormat(w.dc, format));
    w.context = plat::CreateContext(w.dc);
    EXPECT_NE(w.context, nullptr);
    if (show)
        plat::ShowWindow(w.hwnd, plat::SW_SHOW);
    return w;
}

void DestroyPlainWindow(PlainWindow& window)
{
    plat::DeleteContext(window.context);
    plat::DestroyWindow(window.hwnd);
    window = PlainWindow();
}

}  // namespace glintwork
