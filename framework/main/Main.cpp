#include "framework/main/Main.h"

#include <algorithm>
#include <cstdlib>

#include "framework/glwindow/GLWindow.h"
#include "framework/glwindow/GLWindowEx.h"
#include "framework/main/App.h"
#include "framework/main/MainServices.h"

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
    if (m_secondApp)
        return m_pApp ? m_pApp->OnExit(1) : 1;
    GLINTWORK_CHECK(m_pApp != nullptr, "m_pApp!=NULL");
    m_argc = argc;
    m_argv = argv;
    m_pApp->OnCreate();
    // By index: a window created here may register more windows.
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        if (!m_windows[i]->hWnd)
            m_windows[i]->Recreate();
    }
    int result = 0;
    if (!m_windows.empty()) {
        // Each failed creation has recorded why; the entry point shows it.
        bool created = std::any_of(m_windows.begin(), m_windows.end(),
                                   [](GLWindowEx* record) { return record->HasWindow() && record->hGLRC; });
        result = created ? MessageLoop() : NoWindowStatus;
    } else if (!m_console) {
        ShowMessage("No windows were created, exiting.");
    }
    m_pApp->OnDestroy();
    return m_pApp->OnExit(result);
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
            if (m_pApp && m_pApp->WaitWhenIdle(wait))
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
    if (m_pApp)
        m_pApp->OnIdle();
    // By index: an idle handler may add or remove windows.
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        if (m_windows[i]->parent)
            m_windows[i]->parent->OnIdle();
    }
}

bool Main::AddWnd(GLWindowEx* record)
{
    if (!record)
        return false;
    if (m_windows.empty())
        SetMainWnd(record);
    m_windows.push_back(record);
    return true;
}

void Main::DelWnd(GLWindowEx* record)
{
    auto it = std::find(m_windows.begin(), m_windows.end(), record);
    if (it != m_windows.end()) {
        m_windows.erase(it);
        DebugPrintf("Main: DelWnd erased window 0x%08lX\n", reinterpret_cast<unsigned long>(record));
    }
    // The record is about to be deleted: nothing may reach it as the main
    // window any more.
    if (record && record == m_pMainWnd)
        m_pMainWnd = nullptr;
    DebugPrintf("Main: %d windows remain\n", static_cast<int>(m_windows.size()));
}

bool Main::SetMainWnd(GLWindowEx* record)
{
    if (!record)
        return false;
    if (record == m_pMainWnd)
        return true;
    if (record->hWnd && plat::IsWindow(record->hWnd)) {
        // Platform windows are all top level; the main window is never a child.
        auto style = static_cast<std::uint32_t>(plat::GetWindowLong(record->hWnd, plat::GWL_STYLE));
        style = (style & ~plat::WS_CHILD) | plat::WS_POPUP;
        plat::SetWindowLong(record->hWnd, plat::GWL_STYLE, static_cast<std::intptr_t>(style));
    }
    m_pMainWnd = record;
    return true;
}

GLWindowEx* Main::GetMainWnd()
{
    return m_pMainWnd;
}

void Main::SetApp(App* app)
{
    if (m_pApp) {
        // Execute then refuses to run; the program says why.
        m_secondApp = true;
        FrameworkFail("Error: more than one application instance defined!");
        return;
    }
    m_pApp = app;
}

void Main::ClearApp(App* app)
{
    if (m_pApp == app)
        m_pApp = nullptr;
}

App* Main::GetApp()
{
    return m_pApp;
}

void Main::SetConsole(bool console)
{
    m_console = console;
}

bool Main::IsConsole()
{
    return m_console;
}

bool Main::RegisterWndClass()
{
    if (m_classAtom != 0)
        return true;
    GetInstance();
    m_classAtom = plat::RegisterClass("GLAppWnd", WindowProc);
    return m_classAtom != 0;
}

void Main::UnregisterWndClass()
{
    if (m_classAtom != 0 && m_hInstance) {
        plat::UnregisterClass(m_classAtom);
        m_classAtom = 0;
    }
}

plat::HINSTANCE Main::GetInstance()
{
    if (!m_hInstance)
        m_hInstance = plat::GetModuleHandle();
    return m_hInstance;
}

int Main::GetArgc()
{
    return m_argc;
}

const char* Main::GetArg(int i)
{
    if (i < 0 || i >= m_argc || !m_argv || !m_argv[i])
        return "";
    return m_argv[i];
}
