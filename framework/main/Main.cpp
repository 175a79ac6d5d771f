#include "framework/main/Main.h"

#include <algorithm>
#include <cstdlib>

#include "framework/glwindow/GLWindow.h"
#include "framework/glwindow/GLWindowEx.h"
#include "framework/main/App.h"
#include "framework/main/MainServices.h"

namespace glintwork {

namespace {
Main* self = nullptr;

void DeleteMain()
{
    delete self;
    self = nullptr;
}
}  // namespace

Main* Main::Get()
{
    if (!self) {
        self = new Main;
        GLINTWORK_CHECK(self != nullptr, "self!=NULL");
        std::atexit(DeleteMain);
    }
    return self;
}

Main::Main()
{
    DebugPrintf("Main\n");
}

Main::~Main()
{
    DebugPrintf("~Main\n");
    UnregisterWndClass();
}

int Main::Execute(int argc, char** argv)
{
    DebugPrintf("Main::Execute\n");
    if (secondApplication)
        return application ? application->OnExit(1) : 1;
    GLINTWORK_CHECK(application != nullptr, "application!=NULL");
    argumentCount = argc;
    arguments = argv;
    application->OnCreate();
    // By index: a window created here may register more windows.
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (!windows[i]->hWnd)
            windows[i]->Recreate();
    }
    int result = 0;
    if (!windows.empty()) {
        // Each failed creation has recorded why; the entry point shows it.
        bool created = std::any_of(windows.begin(), windows.end(),
                                   [](GLWindowEx* record) { return record->HasWindow() && record->hGLRC; });
        result = created ? MessageLoop() : NoWindowStatus;
    } else if (!consoleMode) {
        ShowMessage("No windows were created, exiting.");
    }
    application->OnDestroy();
    return application->OnExit(result);
}

int Main::MessageLoop()
{
    plat::MSG msg;
    for (;;) {
        if (plat::PeekMessage(&msg)) {
            plat::TranslateMessage(&msg);
            plat::DispatchMessage(&msg);
            if (msg.message == plat::WM_QUIT)
                return static_cast<int>(msg.wParam);
        } else {
            Idle();
            App::IdleWait wait;
            if (application && application->WaitWhenIdle(wait))
                plat::WaitMessage(wait.descriptors.data(), static_cast<int>(wait.descriptors.size()), wait.limitMs);
        }
    }
}

namespace {

bool IsInput(unsigned message)
{
    switch (message) {
    case plat::WM_KEYDOWN:
    case plat::WM_KEYUP:
    case plat::WM_MOUSEMOVE:
    case plat::WM_NCMOUSEMOVE:
    case plat::WM_SETCURSOR:
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONUP:
    case plat::WM_LBUTTONDBLCLK:
    case plat::WM_RBUTTONDOWN:
    case plat::WM_RBUTTONUP:
    case plat::WM_RBUTTONDBLCLK:
    case plat::WM_MBUTTONDOWN:
    case plat::WM_MBUTTONUP:
    case plat::WM_MBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool Main::ServeInput()
{
    std::vector<plat::MSG> kept;
    bool closing = false;
    plat::MSG msg;
    // A paint is only offered once nothing else waits: then all is taken.
    while (plat::PeekMessage(&msg) && msg.message != plat::WM_PAINT) {
        if (IsInput(msg.message)) {
            plat::TranslateMessage(&msg);
            plat::DispatchMessage(&msg);
        } else {
            closing = closing || msg.message == plat::WM_CLOSE || msg.message == plat::WM_QUIT;
            kept.push_back(msg);
        }
    }
    for (const plat::MSG& m : kept)
        plat::PostMessage(m.hwnd, m.message, m.wParam, m.lParam);
    return closing;
}

void Main::Idle()
{
    if (application)
        application->OnIdle();
    // By index: an idle handler may add or remove windows.
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i]->parent)
            windows[i]->parent->OnIdle();
    }
}

bool Main::AddWnd(GLWindowEx* record)
{
    if (!record)
        return false;
    if (windows.empty())
        SetMainWnd(record);
    windows.push_back(record);
    return true;
}

void Main::DelWnd(GLWindowEx* record)
{
    auto it = std::find(windows.begin(), windows.end(), record);
    if (it != windows.end()) {
        windows.erase(it);
        DebugPrintf("Main: DelWnd erased window 0x%08lX\n", reinterpret_cast<unsigned long>(record));
    }
    // The record is about to be deleted: nothing may reach it as the main
    // window any more.
    if (record && record == mainWindow)
        mainWindow = nullptr;
    DebugPrintf("Main: %d windows remain\n", static_cast<int>(windows.size()));
}

bool Main::SetMainWnd(GLWindowEx* record)
{
    if (!record)
        return false;
    if (record == mainWindow)
        return true;
    if (record->hWnd && plat::IsWindow(record->hWnd)) {
        // Platform windows are all top level; the main window is never a child.
        auto style = static_cast<std::uint32_t>(plat::GetWindowLong(record->hWnd, plat::GWL_STYLE));
        style = (style & ~plat::WS_CHILD) | plat::WS_POPUP;
        plat::SetWindowLong(record->hWnd, plat::GWL_STYLE, static_cast<std::intptr_t>(style));
    }
    mainWindow = record;
    return true;
}

GLWindowEx* Main::GetMainWnd()
{
    return mainWindow;
}

void Main::SetApp(App* app)
{
    if (application) {
        // Execute then refuses to run; the program says why.
        secondApplication = true;
        FrameworkFail("Error: more than one application instance defined!");
        return;
    }
    application = app;
}

void Main::ClearApp(App* app)
{
    if (application == app)
        application = nullptr;
}

App* Main::GetApp()
{
    return application;
}

void Main::SetConsole(bool console)
{
    consoleMode = console;
}

bool Main::IsConsole()
{
    return consoleMode;
}

bool Main::RegisterWndClass()
{
    if (classAtom != 0)
        return true;
    GetInstance();
    classAtom = plat::RegisterClass("GLAppWnd", WindowProc);
    return classAtom != 0;
}

void Main::UnregisterWndClass()
{
    if (classAtom != 0 && instance) {
        plat::UnregisterClass(classAtom);
        classAtom = 0;
    }
}

plat::HINSTANCE Main::GetInstance()
{
    if (!instance)
        instance = plat::GetModuleHandle();
    return instance;
}

int Main::GetArgc()
{
    return argumentCount;
}

const char* Main::GetArg(int i)
{
    if (i < 0 || i >= argumentCount || !arguments || !arguments[i])
        return "";
    return arguments[i];
}

const char* const* Main::GetArguments()
{
    return arguments;
}

}  // namespace glintwork
