#ifndef GLINTWORK_COMMANDLINE_H
#define GLINTWORK_COMMANDLINE_H

#include <string>
#include <vector>

#include "app/Settings.h"

namespace glintwork {

// What the user asked glintwork for on the command line (UsageText() gives
// its forms). Every option is one row of the table in CommandLine.cpp.
struct CommandLine {
    enum class Action {
        Trace,    // open the window on settings.scene
        Check,    // read every scene in `scenes` and report on it; no window
        Help,     // print UsageText() and HelpText() on standard output, exit 0
        Version,  // print VersionText() on standard output, exit 0
        Misused,  // print `error` and UsageText() on standard error, exit with ExitUsage
    };

    Action action = Action::Trace;
    Settings settings;                // Trace: the scene and the options of a traced run
    std::vector<std::string> scenes;  // every SCENE given (Check: at least scenescript.txt)
    bool strict = false;              // Check: a scene with a warning fails as one that cannot be used
    bool formatGiven = false;         // Trace: --format said the kind of the frames' files
    PictureFileKind format = PictureFileKind::Bmp;
    std::string error;                // Misused: one line, no newline, arguments shown escaped
};

CommandLine ParseCommandLine(int argumentCount, const char* const* arguments);

std::string UsageText();
std::string HelpText();
const char* VersionText();

}  // namespace glintwork

#endif
