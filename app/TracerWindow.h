#ifndef GLINTWORK_TRACERWINDOW_H
#define GLINTWORK_TRACERWINDOW_H

#include <memory>
#include <string>

#include "framework/glwindow/GLWindow.h"
#include "framework/image/Image.h"
#include "trace/BandTracer.h"
#include "trace/EnvSceneTracer.h"
#include "trace/FramePath.h"
#include "trace/Scene.h"
#include "trace/SceneTracer.h"
#include "trace/Vec3.h"
#include "trace/ViewCache.h"

// The application's one window: traces the selected view on every redraw,
// writes the frame to "screenShot.bmp" and answers the keys and the mouse.
//
// Views: the first tracer's picture (single, or as a side-by-side pair for two
// eye positions 0.002 apart) or the environment tracer's picture; exactly one
// of them is drawn on each redraw.
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

    // Reads the script again and sets both tracers up from it, keeping the
    // view shown, the pair and the switches. A version that cannot be traced
    // is reported on standard error and the scene on screen stays.
    bool ReloadScript();

    // Clears and draws the selected view by the given path (the paths give
    // the same picture); with `times`, also measures the stages, waiting for
    // GL to finish drawing.
    void DrawFrame(FramePath path, FrameTimes* times);
    // Reads the window into `screenShot` and writes "screenShot.bmp".
    void SaveFrame(FramePath path, FrameTimes* times);

    // The scene script, and whether the user named it (then a missing file is
    // an error, not a quiet end).
    std::string scriptPath = "scenescript.txt";
    bool scriptNamed = false;

    FramePath path = SelectedFramePath();
    // Fast path: draw views whose inputs are unchanged from the points kept
    // from their last trace (traced views are kept either way).
    bool cacheViews = true;
    // Fast path: after an input, compose plane points from the values kept
    // from the view's last trace instead of tracing the room again.
    bool keepPlaneValues = true;

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
    // Reads the script into `into` and checks it can be traced. Its messages
    // go to standard error, `failureEnd` appended to the one that says why
    // it cannot be used; a missing script is one only when `named`.
    Scene::Status ReadTraceableScene(Scene& into, bool named, const char* failureEnd) const;
    // Window size, projection, both tracers and the frame image from `scene`.
    void SetUpFromScene();

    template <typename Tracer>
    void DrawView(Tracer& tracer, int tracerId, BandTracer<Tracer>* bands, const Vec3& eye, int x, int width,
                  FramePath path, FrameTimes* times);

    bool saveFailed = false;  // a failed save is reported once, not every frame
    // Fast path: the tracing threads and each tracer's bands, made on first use.
    std::unique_ptr<BandPool> pool;
    std::unique_ptr<BandTracer<SceneTracer>> bandsA;
    std::unique_ptr<BandTracer<EnvSceneTracer>> bandsB;
    ViewCache cache;
    KeptViews kept;
};

#endif
