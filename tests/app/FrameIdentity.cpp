// Draws every view of a scene, with every switch, by both frame paths and
// checks that they write the same screenShot.bmp, byte for byte; and that the
// single view grabbed from the window equals the tracer's points drawn into
// an offscreen framebuffer of the same size (the window adds nothing).
//
// Usage: app_frame_identity SCENE-SCRIPT   (needs a display)

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <random>

#include "app/PointDrawer.h"
#include "tests/app/WindowChecks.h"

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

class IdentityWindow : public CheckedWindow<IdentityWindow> {
public:
    static std::vector<Check> Checks()
    {
        return {{"every view by both paths", &IdentityWindow::ViewsMatch},
                {"window against offscreen", &IdentityWindow::OffscreenMatchesWindow},
                {"after random inputs", &IdentityWindow::InputsMatch}};
    }

private:
    bool ViewsMatch()
    {
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

            // The fast path twice: traced, then drawn again from the points it
            // kept (nothing changed in between).
            const std::string reference = Frame(FramePath::Reference);
            const std::string fast = Frame(FramePath::Fast);
            const std::string again = Frame(FramePath::Fast);
            const bool same = reference == fast && fast == again && reference.size() > 54;
            std::printf("%-32s %zu bytes: %s\n", s.name, reference.size(), same ? "identical" : "DIFFERENT");
            failures += !same;
        }
        return failures == 0;
    }

#ifdef GLINTWORK_SHORT_RUNS
    static constexpr int RandomInputs = 4;  // the sanitizers make every frame slow
#else
    static constexpr int RandomInputs = 16;
#endif

    // Random inputs as the window takes them, each followed by a frame made
    // from what the frames before kept (never from a view drawn before with
    // the same inputs) and the straightforward frame.
    bool InputsMatch()
    {
        cacheViews = false;
        viewA = true;
        viewB = false;
        stereo = false;
        std::mt19937 random(5);
        const char inputs[] = "GHRYUTK<>";
        std::string applied;
        int failures = 0;
        for (int i = 0; i < RandomInputs; ++i) {
            const char input = inputs[random() % 9];
            applied += input;
            if (input == '<' || input == '>') {
                OnMouseButton(input == '<' ? 0 : 2, true);
                OnMouseMove(0, 0);
                OnMouseButton(input == '<' ? 0 : 2, false);
            } else {
                OnKeyboard(input, true);
            }
            const std::string fast = Frame(FramePath::Fast);
            if (fast != Frame(FramePath::Reference) || fast.size() <= 54) {
                std::printf("after inputs %s: DIFFERENT\n", applied.c_str());
                ++failures;
            }
        }
        std::printf("after inputs %s\n", applied.c_str());
        cacheViews = true;
        return failures == 0;
    }

    // The single view, drawn into the window and grabbed, against the same
    // point list drawn into a framebuffer object with a 32-bit depth buffer.
    bool OffscreenMatchesWindow()
    {
        viewA = true;
        viewB = false;
        stereo = false;
        Frame(FramePath::Reference);  // grabbed as RGB rows without padding
        const int width = static_cast<int>(scene.screenWidth), height = static_cast<int>(scene.screenHeight);

        GLuint framebuffer = 0, buffers[2] = {0, 0};
        glGenFramebuffers(1, &framebuffer);
        glGenRenderbuffers(2, buffers);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
        bool same = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;

        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawPointsImmediate(tracerA.Points());
        std::string pixels(static_cast<std::size_t>(width) * height * 3, '\0');
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, &pixels[0]);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(2, buffers);

        same = same && screenShot.GetFormat() == RGB && screenShot.GetRowPadding() == 0 &&
               pixels.compare(0, pixels.size(), reinterpret_cast<const char*>(screenShot.GetData()),
                              screenShot.GetDataSize()) == 0;
        return same;
    }
};

CheckApp<IdentityWindow> app;

}  // namespace
