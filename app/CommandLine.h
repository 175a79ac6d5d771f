#ifndef GLINTWORK_COMMANDLINE_H
#define GLINTWORK_COMMANDLINE_H

#include <string>
#include <vector>

// What the user asked for on the command line:
//   glintwork [SCENE] [--watch] [--frames N] [--help] [--version]
//   glintwork --check [SCENE...]
struct CommandLine {
    enum class Action {
        Trace,    // open the window on the scene
        Check,    // read every scene in `scenes` and report on it; no window
        Help,     // print HelpText() on standard output, exit 0
        Version,  // print VersionText() on standard output, exit 0
        Misused,  // print `error` and UsageText() on standard error, exit 2
    };

    Action action = Action::Trace;
    std::string scene = "scenescript.txt";  // the script to trace
    bool sceneNamed = false;                // SCENE was given: a missing file is an error
    std::vector<std::string> scenes;        // every SCENE given (Check: at least scenescript.txt)
    bool watch = false;                     // read the script again whenever it changes
    long frames = 0;                        // close after this many frames; 0: run until closed
    std::string error;                      // for Misused: one line, no newline
};

// Exit statuses of the program.
enum ExitStatus {
    ExitDone = 0,      // Escape, window closed, or no scenescript.txt in the working folder
    ExitBadScene = 1,  // the scene cannot be used (or a named SCENE cannot be read); --check: one cannot
    ExitUsage = 2,     // unknown option, bad --frames value, more than one SCENE to trace
    ExitNoWindow = 3,  // no window can be created
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

const char* UsageText();
const char* HelpText();
const char* VersionText();

#endif
