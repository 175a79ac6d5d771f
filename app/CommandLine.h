#ifndef GLINTWORK_COMMANDLINE_H
#define GLINTWORK_COMMANDLINE_H

#include <string>

// What the user asked for on the command line:
//   glintwork [SCENE] [--watch] [--frames N] [--help] [--version]
struct CommandLine {
    enum class Action {
        Trace,    // open the window on the scene
        Help,     // print HelpText() on standard output, exit 0
        Version,  // print VersionText() on standard output, exit 0
        Misused,  // print `error` and UsageText() on standard error, exit 2
    };

    Action action = Action::Trace;
    std::string scene = "scenescript.txt";  // the script to trace
    bool sceneNamed = false;                // SCENE was given: a missing file is an error
    bool watch = false;                     // read the script again whenever it changes
    long frames = 0;                        // close after this many frames; 0: run until closed
    std::string error;                      // for Misused: one line, no newline
};

// Exit statuses of the program.
enum ExitStatus {
    ExitDone = 0,      // Escape, window closed, or no scenescript.txt in the working folder
    ExitBadScene = 1,  // the scene cannot be used (or a named SCENE cannot be read)
    ExitUsage = 2,     // unknown option, bad --frames value, more than one SCENE
    ExitNoWindow = 3,  // no window can be created
    ExitNoFrame = 4,   // a run of counted frames in which no frame could be written
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

const char* UsageText();
const char* HelpText();
const char* VersionText();

#endif
