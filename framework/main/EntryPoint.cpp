// The console entry point: programs built on the framework have no main of
// their own. The application decides the exit status and what is said
// about it (App::OnExit).
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"

int main(int argc, char** argv)
{
    using namespace glintwork;
    DebugPrintf("main\n");
    Main::Get()->SetConsole(true);
    return Main::Get()->Execute(argc, argv);
}
