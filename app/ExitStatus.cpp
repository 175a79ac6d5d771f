#include "app/ExitStatus.h"

namespace glintwork {

namespace {

constexpr ExitStatusMeaning Meanings[] = {
    {ExitDone, "Escape, the window closed, or no scenescript.txt in the working folder"},
    {ExitBadScene, "the scene cannot be used, or the SCENE named cannot be read (--check: one of them; with "
                   "--strict also one that gave a warning)"},
    {ExitUsage, "usage error: a bad option or option value, more than one SCENE without --check, a bad "
                "GLINTWORK_* value"},
    {ExitNoWindow, "no window can be created (no OpenGL visual), nor, without a display, an offscreen context "
                   "(no EGL or software driver)"},
    {ExitDisplayLost, "the connection to the X display was lost while running"},
    {ExitNoFrame, "--frames N (or GLINTWORK_FRAMES=N): no frame could be written; --record: a frame could not be "
                  "written"},
    {ExitNoOutput, "standard output could not be written (said on standard error, unless it is a pipe whose "
                   "reader has gone)"},
};

}  // namespace

const ExitStatusMeaning* ExitStatuses(int& count)
{
    count = static_cast<int>(sizeof Meanings / sizeof Meanings[0]);
    return Meanings;
}

std::string ExitStatusHelp()
{
    std::string text = "Exit status:\n";
    int count = 0;
    const ExitStatusMeaning* list = ExitStatuses(count);
    for (int i = 0; i < count; ++i)
        text += "  " + std::to_string(list[i].status) + "  " + list[i].meaning + "\n";
    return text;
}

}  // namespace glintwork
