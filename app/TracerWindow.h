#ifndef GLINTWORK_TRACERWINDOW_H
#define GLINTWORK_TRACERWINDOW_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/OutputSafety.h"
#include "app/SceneReport.h"
#include "app/Settings.h"
#include "app/ViewKind.h"
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

// The application's one window: traces the view chosen on every redraw,
// writes the frame to "screenShot.bmp" (or the file the settings name) and
// answers the keys and the mouse. It prints nothing and never ends the
// process: what the program should tell the user goes to the settings' `say`,
// and a scene that cannot be used is reported by LoadScene (or, when the
// program did not call it, by Failure() after the window closed itself).
//
// Views (ViewKind): the first tracer's picture, single or as a side-by-side
// pair for two eye positions 0.002 apart, or the environment tracer's
// picture; exactly one of them is drawn on each redraw.
//
// While a frame is traced on the fast path the window keeps taking input. A
// slow frame (one that has run, or is expected to run, longer than the
// settings' slowFrameMs) gives way to an input that changes the picture: it
// is neither shown nor saved, and the input takes effect on the next one. A
// quicker frame is finished, drawn and saved, and the inputs that came
// meanwhile are then applied together, in order. Escape or a close request
// ends the program at once, whatever the frame's age (through the settings'
// `endNow` when the program gave one, so that bands still being traced are
// not waited for). A slow frame shows its progress in the title.
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

    // The room view between one picture and the pair (shown at once unless
    // the environment view is).
    void ToggleStereo();

    // Everything the window is set up with, in one call before it opens
    // (the benches and the tests may call it again between frames).
    void Configure(const Settings& settings);
    const Settings& CurrentSettings() const { return settings; }
    // What the fast path keeps, from the next frame on.
    void SetKeeping(const ViewKeeping& keeping) { settings.keeping = keeping; }

    // Reads the settings' scene and checks that it can be traced, before the
    // window opens. What the user should see is in `report`: the reader's
    // warnings and, for a scene that cannot be used, last, the line that says
    // why.
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

    // The title for what the window shows now; under --watch, while the
    // file's latest version is not the scene shown, also why
    // ("— room.txt:13:5: error, last good scene shown").
    std::string Title() const;
    // The watched file is gone (deleted, or its folder moved away): the
    // title says so until the next good version is read.
    void SceneMissing();

    // The reason the window closed itself without tracing ("" when it did
    // not): the scene the program did not load could not be used.
    const std::string& Failure() const { return failure; }

    // Clears and draws the chosen view by the given path (the paths give
    // the same picture); with `times`, also measures the stages, waiting for
    // GL to finish drawing.
    void DrawFrame(FramePath path, FrameTimes* times);
    // Reads the window into the frame image and writes it to the output.
    void SaveFrame(FramePath path, FrameTimes* times);
    // Whether the last DrawFrame was cancelled by input before its end.
    bool FrameCancelled() const { return frameCancelled; }
    // Whether frames were saved and every save failed.
    bool NoFrameWritten() const { return saveFailed && !frameWritten; }

    // Why the window closed itself because of where its frames go:
    // standard output's reader went away, a write to standard output failed,
    // or a frame of a recording could not be written.
    enum class OutputEnd { Running, ReaderGone, StreamFailed, RecordingBroken };
    OutputEnd OutputEnded() const { return outputEnd; }
    const std::string& OutputEndReason() const { return outputEndReason; }  // a line for the user

    // The scene traced, the view the next frame shows and the last frame
    // read from the window.
    const Scene& CurrentScene() const { return scene; }
    ViewKind View() const { return view; }
    const Image& ScreenShot() const { return screenShot; }

    // The fast path's trace of the view the next frame shows on `threads`
    // threads, with nothing drawn and nothing kept: the milliseconds of each
    // of `runs` traces (both eyes for the pair).
    std::vector<double> TraceShownView(unsigned threads, int runs);

private:
    Settings settings;
    Scene scene;
    Image screenShot;
    // The scene's set-up, shared by both tracers; the room view's tracer
    // and the environment view's.
    std::shared_ptr<const RoomSetUp> setUp;
    SceneTracer sceneTracer;
    EnvSceneTracer envTracer;
    ViewKind view = ViewKind::Single;
    ViewKind roomView = ViewKind::Single;  // the room view T returns to: Single or Pair
    unsigned viewsInFrame = 1;             // the views the frame being drawn draws (the pair: two)
    bool leftHeld = false;
    bool rightHeld = false;
    Vec3 eyeLeft;
    Vec3 eyeRight;
    Vec3 eyeCentre;
    float frustumLeft = 0.0f;
    float frustumRight = 0.0f;
    float frustumBottom = 0.0f;
    float frustumTop = 0.0f;

    // Reads the script into `into` and checks it can be traced; what to tell
    // the user goes to `report`. A missing script is an error only when `named`.
    Scene::Status ReadTraceableScene(Scene& into, bool named, SceneReport& report) const;
    // Called while a frame's bands are traced (made as `made` says): takes
    // the input waiting, shows the progress, and says whether the frame is
    // still wanted.
    bool KeepTracing(KeptViews::Made made);
    // Whether the frame being traced is slow, `elapsedMs` into it.
    bool SlowFrame(double elapsedMs, KeptViews::Made made) const;
    // The frame's pixels traced so far, of its views drawn and the one under way.
    std::uint64_t PixelsDone() const;
    // The inputs that came during the last frame, then the title.
    void AfterFrame();
    void Say(const std::string& line) const;
    // What the title says about the file ("room.txt:13:5: error") until
    // the next good version.
    void ShowSceneTrouble(const std::string& trouble);
    // Window size, projection, both tracers and the frame image from `scene`.
    void SetUpFromScene();

    // Draws the view `inputs` into the viewport from x of `width`.
    void DrawView(const ViewInputs& inputs, int x, int width, FramePath path, FrameTimes* times);

    // Closes the window for `how`, the first time.
    void EndOutput(OutputEnd how, const std::string& reason);
    // A recording: the next input after its frame was written, or the end.
    void RecordNextInput();

    long framesSaved = 0;             // the number of the next frame written
    std::size_t recordedSoFar = 0;    // of the settings' recorded inputs
    OutputEnd outputEnd = OutputEnd::Running;
    std::string outputEndReason;
    bool saveFailed = false;    // a failed save is reported once, not every frame
    bool frameWritten = false;  // some frame of this run reached the file
    SceneFileGuard sceneGuard;  // frames are never written over the scene
    bool sceneLoaded = false;
    std::string failure;
    std::string sceneTrouble;  // why the file's latest version is not shown ("" when it is)
    // The frame being traced: whether input is held back for after it, what
    // came meanwhile, and its progress in pixels.
    bool framing = false;
    bool frameCancelled = false;
    bool quitting = false;  // Escape or a close request came during a frame
    bool escaped = false;
    bool resizedInFrame = false;
    std::string pendingInputs;
    std::chrono::steady_clock::time_point frameStart;
    std::chrono::steady_clock::time_point lastServed;
    std::uint64_t pixelsOfViewsDone = 0;
    std::uint64_t pixelsInFrame = 0;
    // How long the last finished frame that traced took, for each view and
    // each way of making it (KeptViews::Made; -1: none yet): what the next
    // one of its kind is expected to take.
    double tracedFrameMs[3][4] = {{-1.0, -1.0, -1.0, -1.0}, {-1.0, -1.0, -1.0, -1.0}, {-1.0, -1.0, -1.0, -1.0}};
    KeptViews::Made frameMade = KeptViews::Made::Traced;  // how the frame's last traced view was made
    unsigned viewsFromKeptPoints = 0;                       // of the frame's views
    int shownPercent = -1;
    // Fast path: the tracing threads and what is kept of the views, made on
    // first use.
    std::unique_ptr<BandPool> pool;
    std::unique_ptr<KeptViews> kept;
};

}  // namespace glintwork

#endif
