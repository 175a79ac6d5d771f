// The console entry point: programs built on the framework have no main of
// their own.
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"

int main(int argc, char** argv)
{
    DebugPrintf("main\n");
    Main::Get()->SetConsole(true);
    return Main::Get()->Execute(argc, argv);
}
