#ifndef GLINTWORK_EXITSTATUS_H
#define GLINTWORK_EXITSTATUS_H

#include <string>

namespace glintwork {

// The exit statuses of glintwork: the one list the program, its --help and
// the README's table are made from.
enum ExitStatus {
    ExitDone = 0,         // Escape, the window closed, or no scenescript.txt in the working folder
    ExitBadScene = 1,     // the scene cannot be used (or a named SCENE cannot be read)
    ExitUsage = 2,        // a bad option or GLINTWORK_* value
    ExitNoWindow = 3,     // no window, nor offscreen context, can be created
    ExitDisplayLost = 4,  // the connection to the X display was lost
    ExitNoFrame = 5,      // a run of counted frames in which no frame could be written, or a broken recording
    ExitNoOutput = 6,     // standard output could not be written
};

struct ExitStatusMeaning {
    ExitStatus status;
    const char* meaning;  // one line, as --help prints it
};

// Every status, in rising order; `count` receives how many there are.
const ExitStatusMeaning* ExitStatuses(int& count);

// The "Exit status:" section of --help: one "  N  meaning" line a status.
std::string ExitStatusHelp();

}  // namespace glintwork

#endif
