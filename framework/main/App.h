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

    int GetArgc();
    const char* GetArg(int i);  // "" outside 0..argc-1
    void Quit();                // asks the main window to close
};
