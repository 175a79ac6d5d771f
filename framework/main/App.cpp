#include "framework/main/App.h"

#include <cstdio>

#include "framework/glwindow/GLWindow.h"
#include "framework/glwindow/GLWindowEx.h"
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"

namespace glintwork {

App::App()
{
    Main::Get()->SetApp(this);
}

App::~App()
{
    Main::Get()->ClearApp(this);
}

void App::OnCreate()
{
    DebugPrintf("App::OnCreate\n");
}

void App::OnIdle() {}

bool App::WaitWhenIdle(IdleWait&)
{
    return false;
}

void App::OnDestroy()
{
    DebugPrintf("App::OnDestroy\n");
}

int App::OnExit(int status)
{
    if (status != 0 && *FrameworkFailureReason())
        std::fprintf(stderr, "%s\n", FrameworkFailureReason());
    return status;
}

int App::GetArgc()
{
    return Main::Get()->GetArgc();
}

const char* App::GetArg(int i)
{
    return Main::Get()->GetArg(i);
}

const char* const* App::GetArguments()
{
    return Main::Get()->GetArguments();
}

void App::Quit()
{
    GLWindowEx* mainWnd = Main::Get()->GetMainWnd();
    if (mainWnd && mainWnd->parent)
        mainWnd->parent->Close();
}

}  // namespace glintwork
