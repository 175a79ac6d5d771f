#include "framework/main/MainServices.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/main/Main.h"
#include "framework/platform/PlatformWindow.h"

namespace glintwork {

namespace {
int debugLevel = 0;
std::string failureReason;
bool elapsedStarted = false;
double previousTime = 0.0;
}  // namespace

App* GetApp()
{
    return Main::Get()->GetApp();
}

double GetTime()
{
    return static_cast<double>(plat::GetTickCount()) / 1000.0;
}

double GetElapsedTime()
{
    double t = GetTime();
    if (!elapsedStarted) {
        elapsedStarted = true;
        previousTime = t - 0.02;
    }
    double elapsed = t - previousTime;
    previousTime = t;
    return elapsed;
}

int SetDebugLevel(int level)
{
    debugLevel = level < 0 ? 0 : level;
    return debugLevel;
}

int GetDebugLevel()
{
    return debugLevel;
}

void ShowMessage(const char* format, ...)
{
    if (!format)
        return;
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0 || length > 1023)
        return;
    if (Main::Get()->IsConsole()) {
        std::fputs(buffer, stderr);
        std::fflush(stderr);
    } else {
        plat::MessageBox(buffer, "Message");
    }
}

void DebugPrintf(const char* format, ...)
{
    if (debugLevel == 0)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

const char* FrameworkFailureReason()
{
    return failureReason.c_str();
}

bool FrameworkFail(const char* reason)
{
    failureReason = reason ? reason : "";
    return false;
}

void AssertionFailed(const char* text, const char* file)
{
    std::fflush(stdout);
    std::fprintf(stderr, "Assertion failed: %s, file %s\n", text, file);
    std::abort();
}

}  // namespace glintwork
