// Draws every view of a scene, with every switch, by both frame paths and
// checks that they write the same screenShot.bmp, byte for byte.
//
// Usage: app_frame_identity SCENE-SCRIPT   (needs a display)

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "App.h"
#include "TracerWindow.h"

namespace {

struct State {
    const char* name;
    bool viewA, viewB, stereo, reflections, colouredShadows;
    int movesLeft;  // G presses before this state (cumulative)
};

const State kStates[] = {
    {"single", true, false, false, true, true, 0},
    {"single, reflections off", true, false, false, false, true, 0},
    {"single, coloured shadows off", true, false, false, true, false, 0},
    {"single, both off", true, false, false, false, false, 0},
    {"pair", true, false, true, true, true, 0},
    {"pair, both off", true, false, true, false, false, 0},
    {"environment", false, true, false, true, true, 0},
    {"single, spheres moved", true, false, false, true, true, 3},
    {"pair, spheres moved", true, false, true, true, false, 3},
    {"environment, spheres moved", false, true, true, true, true, 3},
};

std::string ReadFile(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class IdentityWindow : public TracerWindow {
public:
    void OnDisplay() override
    {
        if (checked)
            return;
        checked = true;
        int failures = 0;
        int moved = 0;
        for (const State& s : kStates) {
            viewA = s.viewA;
            viewB = s.viewB;
            stereo = s.stereo;
            tracerA.reflectionsOn = s.reflections;
            tracerA.colouredShadowsOn = s.colouredShadows;
            for (; moved < s.movesLeft; ++moved)
                tracerA.MoveSpheresLeft();

            const std::string reference = Frame(FramePath::Reference);
            const std::string fast = Frame(FramePath::Fast);
            const bool same = reference == fast && reference.size() > 54;
            std::printf("%-32s %zu bytes: %s\n", s.name, reference.size(), same ? "identical" : "DIFFERENT");
            if (!same)
                ++failures;
        }
        if (failures != 0) {
            std::fprintf(stderr, "%d views differ between the frame paths\n", failures);
            std::exit(1);
        }
        Close();
    }

private:
    std::string Frame(FramePath framePath)
    {
        DrawFrame(framePath, nullptr);
        SaveFrame(nullptr);
        return ReadFile("screenShot.bmp");
    }

    bool checked = false;
};

class IdentityApp : public App {
public:
    // Runs in a scratch folder holding the scene as "scenescript.txt".
    void OnCreate() override
    {
        if (GetArgc() != 2) {
            std::fprintf(stderr, "usage: %s SCENE-SCRIPT\n", GetArg(0));
            std::exit(2);
        }
        const std::string scene = ReadFile(GetArg(1));
        char folder[] = "/tmp/glintwork-identity-XXXXXX";
        if (scene.empty() || !mkdtemp(folder) || chdir(folder) != 0) {
            std::fprintf(stderr, "cannot set up a folder for %s\n", GetArg(1));
            std::exit(2);
        }
        std::ofstream("scenescript.txt") << scene;
        std::printf("%s in %s\n", GetArg(1), folder);
    }

    IdentityWindow window;
};

IdentityApp app;

}  // namespace
