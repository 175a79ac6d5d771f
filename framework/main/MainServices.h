// Module-wide services of the framework: the diagnostic level, the clock,
// the message to the user and the assertion that stops the program.
#pragma once

class App;

App* GetApp();

double GetTime();         // seconds, from a millisecond clock
double GetElapsedTime();  // seconds since the previous call; 0.02 on the first

int SetDebugLevel(int level);  // negative becomes 0; returns the level stored
int GetDebugLevel();

// printf-style text for the user (on standard error in a console program, in
// a message box otherwise); nothing is shown when it is longer than
// 1023 characters.
void ShowMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// printf to standard error while the diagnostic level is non-zero.
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

[[noreturn]] void AssertionFailed(const char* text, const char* file);

#define GLINTWORK_CHECK(condition, text) ((condition) ? (void)0 : AssertionFailed(text, __FILE__))
