#ifndef GLINTWORK_STANDARDSTREAMS_H
#define GLINTWORK_STANDARDSTREAMS_H

namespace glintwork {

// Every program of ours runs OpenClosedStandardStreams before any other code
// of the process (StandardStreams.cpp registers it as a pre-initialisation
// function of the executable, which the dynamic linker runs before the
// shared libraries' own start-up code; the file is linked into each program
// that calls FinishStandardOutput, as each of them does).
//
// Each of descriptors 0, 1 and 2 that is closed is opened on /dev/null, so
// that no file, socket or watch the program opens later can take its number
// and receive its messages: 0 and 1 for reading (a closed standard output
// stays one that cannot be written, and says so), 2 for writing.
void OpenClosedStandardStreams();

// Flushes standard output. False when something written to it was lost;
// then, unless its reader has gone (a closed pipe, which is not worth a
// word, as for head), "PROGRAM: cannot write to standard output: REASON" is
// said on standard error, once.
bool FinishStandardOutput(const char* program);

}  // namespace glintwork

#endif
