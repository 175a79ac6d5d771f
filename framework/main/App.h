// The base of the one application object. An application defines exactly one
// object of a class derived from App at namespace scope; a second one ends
// the process with status 1.
#ifndef GLINTWORK_APP_H
#define GLINTWORK_APP_H

#include <vector>

namespace glintwork {

class App {
public:
    App();
    virtual ~App();

    virtual void OnCreate();
    virtual void OnIdle();
    virtual void OnDestroy();
    // The process's exit status for what Main::Execute ended with (the quit
    // message's code, Main::NoWindowStatus, or 1 for a second application).
    // By default: that status, with the framework's failure reason on
    // standard error when it is not 0.
    virtual int OnExit(int status);

    // What may end a wait of the loop: an event of the window system, one of
    // `descriptors` becoming readable, or `limitMs` passing (-1: no limit).
    struct IdleWait {
        std::vector<int> descriptors;
        int limitMs = -1;
    };
    // Asked after each idle pass. By default the loop goes on at once, so
    // idle passes follow one another without pause; an application that
    // draws only when something changed fills `wait` and returns true, and
    // the loop then sleeps until a message or one of `wait`'s events comes.
    virtual bool WaitWhenIdle(IdleWait& wait);

    int GetArgc();
    const char* GetArg(int i);  // "" outside 0..argc-1
    // The argument vector given to Main::Execute, GetArgc() entries with the
    // program's name first (null when it was given none), for a command-line
    // parser to read as it is.
    const char* const* GetArguments();
    void Quit();                // asks the main window to close
};

}  // namespace glintwork

#endif  // GLINTWORK_APP_H
