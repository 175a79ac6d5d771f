#ifndef GLINTWORK_TRACERWINDOW_H
#define GLINTWORK_TRACERWINDOW_H

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/SceneReport.h"
#include "app/Settings.h"
#include "framework/glwindow/GLWindow.h"
#include "framework/image/Image.h"
#include "trace/kept/FramePath.h"
#include "trace/kept/KeptViews.h"
#include "trace/math/Vec3.h"
#include "trace/scene/Scene.h"
#include "trace/tracers/EnvSceneTracer.h"
#include "trace/tracers/RoomSetUp.h"
#include "trace/tracers/SceneTracer.h"

namespace glintwork {

// The application's one window: traces the selected view on every redraw,
// writes the frame to "screenShot.bmp" (or the file the program names) and
// answers the keys and the mouse. It prints nothing and never ends the
// process: what the program should tell the user goes to `say`, and a scene
// that cannot be used is reported by LoadScene (or, when the program did not
// call it, by Failure() after the window closed itself).
//
// Views: the first tracer's picture (single, or as a side-by-side pair for two
// eye positions 0.002 apart) or the environment tracer's picture; exactly one
// of them is drawn on each redraw.
//
// While a frame is traced on the fast path the window keeps taking input:
// an input that changes the picture cancels the frame (it is neither shown
// nor saved) and takes effect on the next one; Escape or a close request
// cancels it and ends the program (through `endNow` when the program gave
// one, so that bands still being traced are not waited for). A frame that
// takes longer than half a second shows its progress in the title.
class TracerWindow : public GLWindow {
public:
    TracerWindow();
    ~TracerWindow() override;

    void OnCreate() override;
    void OnDisplay() override;
    void OnResize(int width, int height) override;
    void OnMouseButton(int button, bool pressed) override;
    void OnMouseMove(int x, int y) override;
    void OnKeyboard(int key, bool pressed) override;
    void OnIdle() override;

    void ToggleStereo() { stereo = !stereo; }

    // The run's settings: frame limit, tracing threads, frame path and
    // vector width. Before the window opens.
    void Configure(const Settings& settings);

    // Reads `scriptPath` and checks that it can be traced, before the window
    // opens. What the user should see is in `report`: the reader's warnings
    // and, for a scene that cannot be used, last, the line that says why.
    Scene::Status LoadScene(SceneReport& report);

    // Reads the script again and sets both tracers up from it, keeping the
    // view shown, the pair and the switches. A version that cannot be traced
    // leaves the scene on screen and says why in the last line of `report`
    // (ending in "the last good scene stays").
    bool ReloadScript(SceneReport& report);

    // One input as the window takes it from the keyboard (g h r y u t k, in
    // either case) or as one pointer move with the left (<) or right (>)
    // button held. False, doing nothing, for any other character.
    bool ApplyInput(char input);

    // The title for what the window shows now.
    std::string Title() const;

    // The reason the window closed itself without tracing ("" when it did
    // not): the scene the program did not load could not be used.
    const std::string& Failure() const { return failure; }

    // Clears and draws the selected view by the given path (the paths give
    // the same picture); with `times`, also measures the stages, waiting for
    // GL to finish drawing.
    void DrawFrame(FramePath path, FrameTimes* times);
    // Reads the window into `screenShot` and writes it to `framePath`.
    void SaveFrame(FramePath path, FrameTimes* times);
    // Whether the last DrawFrame was cancelled by input before its end.
    bool FrameCancelled() const { return frameCancelled; }
    // Whether frames were saved and every save failed.
    bool NoFrameWritten() const { return saveFailed && !frameWritten; }

    // The scene script, and whether the user named it (then a missing file is
    // an error, not a quiet end).
    std::string scriptPath = "scenescript.txt";
    bool scriptNamed = false;

    // Where frames go, and how they are written (by default Image::Save, a BMP
    // file whatever the name).
    std::string framePath = "screenShot.bmp";
    std::function<bool(const Image&, const char*)> writeFrame;
    // Lines for the user (without the program's name), e.g. a failed save.
    std::function<void(const std::string&)> say;
    // Ends the process when the user quits during a frame whose bands are
    // still being traced; without it the window closes after them.
    std::function<void()> endNow;
    // Inputs (as ApplyInput takes them) applied once the window is set up,
    // before the first frame.
    std::string firstInputs;

    FramePath path = FramePath::Fast;
    unsigned threads = 0;  // tracing threads; 0: one a processor
    // Fast path: draw views whose inputs are unchanged from the points kept
    // from their last trace (traced views are kept either way).
    bool cacheViews = true;
    // Fast path: after an input, compose plane points from the values kept
    // from the view's last trace instead of tracing the room again.
    bool keepPlaneValues = true;
    // Draw only when something may have changed the picture (an input, a
    // reload, an expose or a resize), not again and again from the idle pass.
    bool drawOnDemand = false;
    // Fast path: what everything kept takes at most; a view whose points
    // take more than the budget leaves them is drawn band by band and not
    // kept, so that a frame's memory does not grow with them.
    std::size_t viewBudgetBytes = KeptViews::DefaultBudgetBytes;

    Scene scene;
    Image screenShot;
    SceneTracer tracerA;
    EnvSceneTracer tracerB;
    bool viewB = false;
    bool stereo = false;
    bool viewA = false;
    bool leftHeld = false;
    bool rightHeld = false;
    Vec3 eyeLeft;
    Vec3 eyeRight;
    Vec3 eyeCentre;
    float frustumLeft = 0.0f;
    float frustumRight = 0.0f;
    float frustumBottom = 0.0f;
    float frustumTop = 0.0f;

private:
    // Reads the script into `into` and checks it can be traced; what to tell
    // the user goes to `report`. A missing script is an error only when `named`.
    Scene::Status ReadTraceableScene(Scene& into, bool named, SceneReport& report) const;
    // Called while a frame's bands are traced: takes the input waiting,
    // shows the progress, and says whether the frame is still wanted.
    bool KeepTracing();
    // The inputs that came during the last frame, then the title.
    void AfterFrame();
    void Say(const std::string& line) const;
    // Window size, projection, both tracers and the frame image from `scene`.
    void SetUpFromScene();

    // Draws the view `inputs` into the viewport from x of `width`.
    void DrawView(const ViewInputs& inputs, int x, int width, FramePath path, FrameTimes* times);

    bool saveFailed = false;    // a failed save is reported once, not every frame
    bool frameWritten = false;  // some frame of this run reached the file
    bool sceneLoaded = false;
    std::string failure;
    // The frame being traced: whether input is held back for after it, what
    // came meanwhile, and its progress in bands.
    bool framing = false;
    bool frameCancelled = false;
    bool quitting = false;  // Escape or a close request came during a frame
    bool escaped = false;
    bool resizedInFrame = false;
    std::string pendingInputs;
    std::chrono::steady_clock::time_point frameStart;
    std::chrono::steady_clock::time_point lastServed;
    unsigned bandsDone = 0;
    unsigned bandsInFrame = 0;
    int shownPercent = -1;
    // The scene's set-up, shared by both tracers.
    std::shared_ptr<const RoomSetUp> setUp;
    // Fast path: the tracing threads and what is kept of the views, made on
    // first use.
    std::unique_ptr<BandPool> pool;
    std::unique_ptr<KeptViews> kept;
};

}  // namespace glintwork

#endif
