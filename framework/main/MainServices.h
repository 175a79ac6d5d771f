// Module-wide services of the framework: the diagnostic level, the clock,
// the message to the user, the failure reason and the assertion that stops
// the program. The framework never prints to standard output.
#ifndef GLINTWORK_MAINSERVICES_H
#define GLINTWORK_MAINSERVICES_H

namespace glintwork {

class App;

App* GetApp();

double GetTime();         // seconds, from a millisecond clock
double GetElapsedTime();  // seconds since the previous call; 0.02 on the first

int SetDebugLevel(int level);  // negative becomes 0; returns the level stored
int GetDebugLevel();

// printf-style text for the user, on standard error for a console program
// (else through the platform's message box); nothing is shown when it is
// longer than 1023 characters.
void ShowMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// printf to standard error while the diagnostic level is non-zero.
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Why the most recent failing framework call failed ("Failed to create
// window", ...), for the program to show as it sees fit; "" when none has.
const char* FrameworkFailureReason();
// Records a copy of `reason` and returns false, so that a failing path can
// end with `return FrameworkFail("...")`.
bool FrameworkFail(const char* reason);

[[noreturn]] void AssertionFailed(const char* text, const char* file);

#define GLINTWORK_CHECK(condition, text) ((condition) ? (void)0 : AssertionFailed(text, __FILE__))

}  // namespace glintwork

#endif  // GLINTWORK_MAINSERVICES_H
