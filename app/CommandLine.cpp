#include "app/CommandLine.h"

#include <cstring>

#include "app/ExitStatus.h"
#include "app/Settings.h"
#include "app/WindowInputs.h"

#ifndef GLINTWORK_VERSION
#define GLINTWORK_VERSION "unknown"
#endif

namespace glintwork {

namespace {

bool ValidKeys(const std::string& keys)
{
    if (keys.empty())
        return false;
    for (char c : keys)
        if (!IsWindowInput(c))
            return false;
    return true;
}

// The value of option `name` written as "--name VALUE" or "--name=VALUE":
// whether `arg` is that option; `value` is null when none follows.
bool Option(const char* name, int argc, const char* const* argv, int& i, const char*& value)
{
    const char* arg = argv[i];
    const std::size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0 || (arg[length] != '\0' && arg[length] != '='))
        return false;
    value = arg[length] == '=' ? arg + length + 1 : (i + 1 < argc ? argv[++i] : nullptr);
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
        const char* value = nullptr;
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
            } else if (Option("--frames", argc, argv, i, value)) {
                if (!value)
                    return Misused("--frames needs a number of frames");
                if (!ParseFrameCount(value, line.frames))
                    return Misused(std::string("--frames: \"") + value + "\" is not a whole number of frames from 1");
            } else if (Option("--keys", argc, argv, i, value)) {
                if (!value)
                    return Misused("--keys needs a sequence of inputs");
                if (!ValidKeys(value))
                    return Misused(std::string("--keys: \"") + value + "\" is not a sequence of g h k r t u y < >");
                line.keys = value;
            } else if (Option("--output", argc, argv, i, value)) {
                if (!value || !*value)
                    return Misused("--output needs a file name");
                line.output = value;
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
        if (line.watch || line.frames > 0 || !line.keys.empty() || line.output != CommandLine().output)
            return Misused("--check reads the scenes only; it takes no --watch, --frames, --keys or --output");
        if (line.scenes.empty())
            line.scenes.push_back(line.scene);
    } else if (line.scenes.size() > 1) {
        return Misused("more than one scene: " + line.scenes[0] + " and " + line.scenes[1]);
    }
    return line;
}

const char* UsageText()
{
    return "usage: glintwork [SCENE] [--watch] [--frames N] [--keys SEQ] [--output FILE]\n"
           "       glintwork --check [SCENE...]\n"
           "       glintwork --help | --version\n";
}

std::string HelpText()
{
    return std::string("Traces the scene script SCENE (default: scenescript.txt in the working folder)\n"
           "in a window, again and again, and writes every frame to screenShot.bmp in the\n"
           "working folder.\n"
           "\n"
           "  --watch       editing mode: read SCENE again whenever a save of it is\n"
           "                complete (through links, and when its folder is replaced); a\n"
           "                version that cannot be used is reported and the last good scene\n"
           "                stays. A frame is drawn and saved only after an input, a reload,\n"
           "                an expose or a resize; in between the program sleeps. Without\n"
           "                --watch frames follow one another without pause.\n"
           "  --frames N    close the window after N frames (as GLINTWORK_FRAMES=N does;\n"
           "                with --watch, N frames drawn as above)\n"
           "  --keys SEQ    apply these inputs before the first frame, in order: the\n"
           "                keys below (g h k r t u y), < or > for one move with the\n"
           "                left or right button held; e.g. --keys u for the pair\n"
           "  --output FILE write the frames to FILE instead of screenShot.bmp (a PNG\n"
           "                file when FILE ends in .png, otherwise BMP)\n"
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
           "While a frame takes longer than half a second the title shows its progress;\n"
           "a key pressed meanwhile cancels it and takes effect on the next frame.\n"
           "\n"
           "Messages about a scene start with FILE:LINE:COLUMN: warning: (or error:), as\n"
           "compilers' do, so that editors can jump to the place.\n"
           "\n") +
           SettingsHelp() + "\n" + ExitStatusHelp();
}

const char* VersionText()
{
    return "glintwork " GLINTWORK_VERSION "\n";
}

}  // namespace glintwork
