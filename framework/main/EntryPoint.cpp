// The console entry point: programs built on the framework have no main of
// their own.
#include "Main.h"
#include "MainServices.h"

int main(int argc, char** argv)
{
    DebugPrintf("main\n");
    Main::Get()->SetConsole(true);
    return Main::Get()->Execute(argc, argv);
}
