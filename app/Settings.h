#ifndef GLINTWORK_SETTINGS_H
#define GLINTWORK_SETTINGS_H

#include <string>

#include "trace/kept/FramePath.h"

namespace glintwork {

// How a run traces and when it stops, as the program reads it from the
// environment (GLINTWORK_FRAMES, GLINTWORK_THREADS, GLINTWORK_PATH,
// GLINTWORK_ISA) and its options, and hands it to the window.
struct Settings {
    long frames = 0;                   // close after this many frames; 0: run until closed
    unsigned threads = 0;              // tracing threads; 0: one a processor
    FramePath path = FramePath::Fast;  // how frames are made (both give the same picture)
    std::string instructionSet;        // the fast path's vector width by name; "": the widest there is
};

// Fills `settings` from the variables as `lookup` gives them (getenv, or a
// table in tests); an unset or empty variable keeps the default. False with
// one line in `error` (naming the variable, its value and what it takes)
// for a value that cannot be used.
bool ReadSettings(const char* (*lookup)(const char* name), Settings& settings, std::string& error);

// A frame count as --frames and GLINTWORK_FRAMES take it: decimal digits
// only, from 1.
bool ParseFrameCount(const char* text, long& frames);

// The "Environment:" section of --help.
const char* SettingsHelp();

}  // namespace glintwork

#endif
