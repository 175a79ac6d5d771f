#ifndef GLINTWORK_COMMANDLINE_H
#define GLINTWORK_COMMANDLINE_H

#include <string>
#include <vector>

namespace glintwork {

// What the user asked for on the command line:
//   glintwork [SCENE] [--watch] [--frames N] [--keys SEQ] [--output FILE] [--help] [--version]
//   glintwork --check [SCENE...]
struct CommandLine {
    enum class Action {
        Trace,    // open the window on the scene
        Check,    // read every scene in `scenes` and report on it; no window
        Help,     // print HelpText() on standard output, exit 0
        Version,  // print VersionText() on standard output, exit 0
        Misused,  // print `error` and UsageText() on standard error, exit with ExitUsage
    };

    Action action = Action::Trace;
    std::string scene = "scenescript.txt";  // the script to trace
    bool sceneNamed = false;                // SCENE was given: a missing file is an error
    std::vector<std::string> scenes;        // every SCENE given (Check: at least scenescript.txt)
    bool watch = false;                     // read the script again whenever it changes
    long frames = 0;                        // close after this many frames; 0: run until closed
    std::string keys;                       // inputs applied before the first frame (WindowInputs.h)
    std::string output = "screenShot.bmp";  // where frames are written; PNG when it ends in .png
    std::string error;                      // for Misused: one line, no newline
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

const char* UsageText();
std::string HelpText();
const char* VersionText();

}  // namespace glintwork

#endif
