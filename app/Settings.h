#ifndef GLINTWORK_SETTINGS_H
#define GLINTWORK_SETTINGS_H

#include <cstddef>
#include <functional>
#include <string>

#include "app/FrameOutput.h"
#include "framework/image/PictureFileKind.h"
#include "trace/kept/FramePath.h"
#include "trace/kept/KeptViews.h"

namespace glintwork {

// What the fast path keeps of the views it traced (the benches and the
// tests turn it off to measure or compare; the program keeps the defaults).
using ViewKeeping = KeptViews::Options;

// Everything a traced run is set up with: the one options struct the
// program fills from its command line (CommandLine.h) and the environment
// (ReadSettings), and hands to the window in one call
// (TracerWindow::Configure).
struct Settings {
    // The scene script, and whether the user named it (then a missing file
    // is an error, not a quiet end).
    std::string scene = "scenescript.txt";
    bool sceneNamed = false;
    // Where frames go, and as what kind of file.
    FrameOutput output;
    PictureFileKind outputKind = PictureFileKind::Bmp;
    // Inputs (as TracerWindow::ApplyInput takes them) applied once the window
    // is set up, before the first frame.
    std::string firstInputs;
    // A recording: a frame, then one more after each of these inputs, and
    // the window closes after the last one is written.
    bool recording = false;
    std::string recordedInputs;
    // Draw into an offscreen buffer even where there is a display.
    bool headless = false;
    // Read the scene again whenever it changes, and draw only when something
    // may have changed the picture (an input, a reload, an expose or a
    // resize), not again and again.
    bool watch = false;

    long frames = 0;                   // close after this many frames; 0: run until closed
    unsigned threads = 0;              // tracing threads; 0: one a processor
    FramePath path = FramePath::Fast;  // how frames are made (both give the same picture)
    std::string instructionSet;        // the fast path's vector width by name; "": the widest there is
    ViewKeeping keeping;
    // A frame slower than this (by its time so far or the time it is
    // expected to take) shows its progress in the title and is given up for
    // input that comes during it; a quicker one is finished first.
    double slowFrameMs = 500.0;

    // What the program does for the window: says a line to the user
    // (without the program's name), and ends the process when the user quits
    // during a frame whose bands are still being traced (without it the
    // window closes after them).
    std::function<void(const std::string&)> say;
    std::function<void()> endNow;
};

// Fills the frame count, threads, path and instruction set of `settings`
// from GLINTWORK_FRAMES, GLINTWORK_THREADS, GLINTWORK_PATH and
// GLINTWORK_ISA as `lookup` gives them (getenv, or a table in tests); an
// unset or empty variable keeps what `settings` holds. False with one line
// in `error` (naming the variable, its value and what it takes) for a value
// that cannot be used.
bool ReadSettings(const char* (*lookup)(const char* name), Settings& settings, std::string& error);

// A frame count as --frames and GLINTWORK_FRAMES take it: decimal digits
// only, from 1.
bool ParseFrameCount(const char* text, long& frames);

// The "Environment:" section of --help.
const char* SettingsHelp();

}  // namespace glintwork

#endif
