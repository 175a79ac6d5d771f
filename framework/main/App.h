// The base of the one application object. An application defines exactly one
// object of a class derived from App at namespace scope; a second one ends
// the process with status 1.
#pragma once

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

    int GetArgc();
    const char* GetArg(int i);  // "" outside 0..argc-1
    void Quit();                // asks the main window to close
};
