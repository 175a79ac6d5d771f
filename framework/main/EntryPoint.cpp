// The console entry point: programs built on the framework have no main of
// their own. When the framework could not run the program, its reason is the
// one line on standard error.
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"

#include <cstdio>

int main(int argc, char** argv)
{
    DebugPrintf("main\n");
    Main::Get()->SetConsole(true);
    int status = Main::Get()->Execute(argc, argv);
    if (status != 0 && *FrameworkFailureReason())
        std::fprintf(stderr, "%s\n", FrameworkFailureReason());
    return status;
}
