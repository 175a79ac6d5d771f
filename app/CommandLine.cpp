#include "app/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifndef GLINTWORK_VERSION
#define GLINTWORK_VERSION "unknown"
#endif

namespace {

// A frame count: decimal digits only, at least 1.
bool ParseFrames(const char* text, long& frames)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1)
        return false;
    frames = value;
    return true;
}

CommandLine Misused(const std::string& why)
{
    CommandLine line;
    line.action = CommandLine::Action::Misused;
    line.error = why;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!optionsEnded && arg[0] == '-' && arg[1] != '\0') {
            if (std::strcmp(arg, "--") == 0) {
                optionsEnded = true;
            } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
                line.action = CommandLine::Action::Help;
                return line;
            } else if (std::strcmp(arg, "--version") == 0) {
                line.action = CommandLine::Action::Version;
                return line;
            } else if (std::strcmp(arg, "--check") == 0) {
                line.action = CommandLine::Action::Check;
            } else if (std::strcmp(arg, "--watch") == 0) {
                line.watch = true;
            } else if (std::strcmp(arg, "--frames") == 0 || std::strncmp(arg, "--frames=", 9) == 0) {
                const char* number = arg[8] == '=' ? arg + 9 : (i + 1 < argc ? argv[++i] : nullptr);
                if (!number)
                    return Misused("--frames needs a number of frames");
                if (!ParseFrames(number, line.frames))
                    return Misused(std::string("--frames: \"") + number + "\" is not a whole number of frames from 1");
            } else {
                return Misused(std::string("unknown option ") + arg);
            }
        } else {
            if (!line.sceneNamed)
                line.scene = arg;
            line.sceneNamed = true;
            line.scenes.push_back(arg);
        }
    }
    if (line.action == CommandLine::Action::Check) {
        if (line.watch || line.frames > 0)
            return Misused("--check reads the scenes only; it takes no --watch or --frames");
        if (line.scenes.empty())
            line.scenes.push_back(line.scene);
    } else if (line.scenes.size() > 1) {
        return Misused("more than one scene: " + line.scenes[0] + " and " + line.scenes[1]);
    }
    return line;
}

const char* UsageText()
{
    return "usage: glintwork [SCENE] [--watch] [--frames N]\n"
           "       glintwork --check [SCENE...]\n"
           "       glintwork --help | --version\n";
}

const char* HelpText()
{
    return "Traces the scene script SCENE (default: scenescript.txt in the working folder)\n"
           "in a window, again and again, and writes every frame to screenShot.bmp in the\n"
           "working folder.\n"
           "\n"
           "  --watch       read SCENE again whenever it changes on disk; a version that\n"
           "                cannot be used is reported and the last good scene stays\n"
           "  --frames N    close the window after N frames (as GLINTWORK_FRAMES=N does)\n"
           "  --check       read each SCENE (default: scenescript.txt) without a window,\n"
           "                print its messages and a summary line; status 0 when every\n"
           "                SCENE can be used, 1 otherwise\n"
           "  --help        print this help\n"
           "  --version     print the version\n"
           "\n"
           "Keys (with or without Shift):\n"
           "  Escape        quit\n"
           "  G / H         move the spheres 0.5 to the left / right\n"
           "  K             show the environment view\n"
           "  T             switch between the room view and the environment view\n"
           "  U             room view: one picture or a side-by-side pair for two eyes\n"
           "  R             reflections in the spheres on or off\n"
           "  Y             coloured shadows of spheres on spheres on or off\n"
           "Mouse: with the left (right) button held, every move moves the spheres 0.5\n"
           "to the left (right).\n"
           "\n"
           "Messages about a scene start with FILE:LINE:COLUMN: warning: (or error:), as\n"
           "compilers' do, so that editors can jump to the place.\n"
           "\n"
           "Exit status:\n"
           "  0  Escape, the window closed, or no scenescript.txt in the working folder\n"
           "  1  the scene cannot be used, or the SCENE named cannot be read (--check: one\n"
           "     of the scenes)\n"
           "  2  usage error: unknown option, bad --frames value, more than one SCENE\n"
           "     without --check\n"
           "  3  no window can be created\n";
}

const char* VersionText()
{
    return "glintwork " GLINTWORK_VERSION "\n";
}
