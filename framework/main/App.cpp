#include "App.h"

#include "GLWindow.h"
#include "GLWindowEx.h"
#include "Main.h"
#include "MainServices.h"

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

void App::OnDestroy()
{
    DebugPrintf("App::OnDestroy\n");
}

int App::GetArgc()
{
    return Main::Get()->GetArgc();
}

const char* App::GetArg(int i)
{
    return Main::Get()->GetArg(i);
}

void App::Quit()
{
    GLWindowEx* mainWnd = Main::Get()->GetMainWnd();
    if (mainWnd && mainWnd->parent)
        mainWnd->parent->Close();
}
