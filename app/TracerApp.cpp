#include "app/TracerWindow.h"
#include "framework/main/App.h"

// The application object: built during static construction, before the
// framework's entry point runs; its window is registered as the main window.
class TracerApp : public App {
public:
    ~TracerApp() override {}

    TracerWindow window;
};

static TracerApp theApp;
