#include "app/TracerWindow.h"

#include <GL/gl.h>

#include <chrono>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/PointDrawer.h"
#include "framework/platform/PlatformWindow.h"
#include "trace/ReferenceTracer.h"
#include "trace/SceneCheck.h"
#include "trace/ViewGeometry.h"

namespace {

constexpr float FieldOfView = 100.0f;
constexpr float NearDistance = 0.01f;
constexpr const char* FrameName = "screenShot.bmp";

[[noreturn]] void Refuse(const std::string& why)
{
    std::fprintf(stderr, "glintwork: %s\n", why.c_str());
    std::exit(1);
}

// Letters arrive as their upper-case codes; the key table is in lower case.
int FoldKey(int key)
{
    return (key >= 'A' && key <= 'Z') ? key - 'A' + 'a' : key;
}

}  // namespace

TracerWindow::TracerWindow()
{
    // A frame that goes over a file size limit makes its save fail like a
    // full disk does (and tracing goes on) instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);

    // No OS window exists yet: these only record what the window is created with.
    SetTitle("Glintwork");
    SetDepthBits(32);
    SetStereo(true);
}

TracerWindow::~TracerWindow()
{
    screenShot.Free();
}

void TracerWindow::OnCreate()
{
    std::string message;
    switch (ReadTraceableScene(scene, message)) {
    case Scene::Status::Missing:
        if (!scriptNamed)
            std::exit(0);  // no scene: nothing to show, not an error
        Refuse(message);
    case Scene::Status::Unusable:
        Refuse(message);
    case Scene::Status::Read:
        break;
    }
    SetUpFromScene();

    stereo = false;
    viewA = true;
    viewB = false;
}

Scene::Status TracerWindow::ReadTraceableScene(Scene& into, std::string& message) const
{
    const Scene::Status status = into.ReadScript(scriptPath.c_str());
    if (status != Scene::Status::Read) {
        message = status == Scene::Status::Missing ? scriptPath + ": " + std::strerror(ENOENT) : into.Error();
        return status;
    }
    std::string reason, warning;
    if (!CheckSceneForTracing(into, reason, warning)) {
        message = scriptPath + ": " + reason;
        return Scene::Status::Unusable;
    }
    if (!warning.empty())
        std::fprintf(stderr, "glintwork: %s: %s\n", scriptPath.c_str(), warning.c_str());
    return Scene::Status::Read;
}

void TracerWindow::SetUpFromScene()
{
    SetSize(static_cast<int>(scene.screenWidth), static_cast<int>(scene.screenHeight));

    const float aspect = static_cast<float>(scene.screenWidth) / static_cast<float>(scene.screenHeight);
    frustumTop = ImagePlaneTop(FieldOfView, tracerA.pi, NearDistance);
    frustumRight = aspect * frustumTop;
    frustumBottom = -frustumTop;
    frustumLeft = -frustumRight;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(frustumLeft, frustumRight, frustumBottom, frustumTop, NearDistance, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    tracerA.SetUpView(scene, FieldOfView, aspect, NearDistance);
    tracerA.SetRoom(scene);
    tracerA.LoadScene(scene);
    tracerB.SetUpView(scene, FieldOfView, aspect, NearDistance);
    tracerB.SetRoom(scene);
    tracerB.LoadScene(scene);

    eyeLeft = Vec3(-0.001, 0.0, 0.0);
    eyeRight = Vec3(0.001, 0.0, 0.0);
    eyeCentre = Vec3(0.0, 0.0, 0.0);

    screenShot.Create(static_cast<int>(scene.screenWidth), static_cast<int>(scene.screenHeight), RGB, 0);
    screenShot.Fill(0, 0, 0);

    cache.Clear();
    kept.Clear();
}

bool TracerWindow::ReloadScript()
{
    Scene fresh;
    std::string message;
    if (ReadTraceableScene(fresh, message) != Scene::Status::Read) {
        std::fprintf(stderr, "glintwork: %s; the last good scene stays\n", message.c_str());
        return false;
    }
    scene.Swap(fresh);
    // The views, the pair and the switches stay; the rest starts from the new scene.
    const bool current = MakeCurrent(true);
    SetUpFromScene();
    if (current)
        MakeCurrent(false);
    return true;
}

void TracerWindow::OnDisplay()
{
    DrawFrame(path, nullptr);
    SaveFrame(path, nullptr);
    SwapBuffers();
}

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

template <typename Tracer>
void TracerWindow::DrawView(Tracer& tracer, int tracerId, BandTracer<Tracer>* bands, const Vec3& eye, int x, int width,
                            FramePath drawPath, FrameTimes* times)
{
    tracer.SetEye(eye);
    glViewport(x, 0, width, static_cast<GLsizei>(scene.screenHeight));
    glPushMatrix();
    if (drawPath == FramePath::Reference) {
        const Clock::time_point start = Clock::now();
        ReferenceTracer reference(tracer);
        reference.Render();
        const Clock::time_point traced = Clock::now();
        DrawPointsImmediate(reference.Points());
        if (times) {
            glFinish();
            times->trace += std::chrono::duration<double, std::milli>(traced - start).count();
            times->draw += Since(traced);
            times->points += reference.Points().size();
        }
    } else if (const std::vector<PointList>* cached =
                   cacheViews ? cache.Find(ViewCache::Inputs(tracerId, tracer)) : nullptr) {
        // Nothing this view depends on has changed since it was traced.
        const Clock::time_point start = Clock::now();
        for (const PointList& band : *cached) {
            DrawPointsArrays(band);
            if (times)
                times->points += band.size();
        }
        if (times) {
            glFinish();
            times->draw += Since(start);
        }
    } else {
        // Bands are drawn in row order while later ones are still being
        // traced: the same points in the same order as one thread's list.
        double drawing = 0.0;
        KeptView* keptView = keepPlaneValues ? &kept.For(tracer) : nullptr;
        const double tracing = bands->Render(
            tracer,
            [&](const PointList& band) {
                const Clock::time_point start = Clock::now();
                DrawPointsArrays(band);
                drawing += Since(start);
                if (times)
                    times->points += band.size();
            },
            keptView);
        cache.Store(ViewCache::Inputs(tracerId, tracer), bands->Bands());
        if (times) {
            const Clock::time_point start = Clock::now();
            glFinish();
            times->trace += tracing;
            times->draw += drawing + Since(start);
        }
    }
    glPopMatrix();
}

void TracerWindow::DrawFrame(FramePath drawPath, FrameTimes* times)
{
    if (drawPath == FramePath::Fast && !pool) {
        pool = std::make_unique<BandPool>(TracingThreads());
        bandsA = std::make_unique<BandTracer<SceneTracer>>(*pool);
        bandsB = std::make_unique<BandTracer<EnvSceneTracer>>(*pool);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Exactly one view is drawn: the environment view when the first one is
    // off, otherwise the first one.
    if (!viewA)
        viewB = true;
    if (!viewB)
        viewA = true;

    // Viewports come from the scene's screen, whatever the window's size.
    const int width = static_cast<int>(scene.screenWidth);
    const int half = static_cast<int>(scene.screenWidth / 2);
    if (viewA) {
        if (!stereo) {
            DrawView(tracerA, 0, bandsA.get(), eyeCentre, 0, width, drawPath, times);
        } else {
            // The pair: the left eye's picture goes into the right half and
            // the right eye's into the left half, each squeezed to half width.
            DrawView(tracerA, 0, bandsA.get(), eyeLeft, half, half, drawPath, times);
            DrawView(tracerA, 0, bandsA.get(), eyeRight, 0, half, drawPath, times);
        }
    }
    if (viewB)
        DrawView(tracerB, 1, bandsB.get(), eyeCentre, 0, width, drawPath, times);
}

void TracerWindow::SaveFrame(FramePath savePath, FrameTimes* times)
{
    const Clock::time_point start = Clock::now();
    if (savePath == FramePath::Reference)
        screenShot.GrabWindow();
    else
        screenShot.GrabWindowInFileLayout();
    const Clock::time_point grabbed = Clock::now();
    // The save replaces the file only when the whole frame is written, so a
    // reader never sees half a frame; a failure keeps the previous frame.
    if (screenShot.Save(FrameName)) {
        saveFailed = false;
    } else if (!saveFailed) {
        saveFailed = true;
        std::fprintf(stderr, "glintwork: warning: cannot write %s; the previous frame stays and tracing goes on\n",
                     FrameName);
    }
    if (times) {
        times->grab += std::chrono::duration<double, std::milli>(grabbed - start).count();
        times->save += Since(grabbed);
    }
}

void TracerWindow::OnResize(int width, int height)
{
    glViewport(0, 0, width, height);
}

void TracerWindow::OnKeyboard(int key, bool pressed)
{
    if (!pressed)
        return;
    switch (FoldKey(key)) {
    case plat::VK_ESCAPE:
        std::exit(0);
    case 'g':
        tracerA.MoveSpheresLeft();
        break;
    case 'h':
        tracerA.MoveSpheresRight();
        break;
    case 'k':
        if (viewB) {
            viewB = false;
        } else {
            viewB = true;
            viewA = false;
        }
        break;
    case 'r':
        tracerA.ToggleReflections();
        break;
    case 't':
        if (viewA) {
            viewA = false;
        } else {
            viewA = true;
            viewB = false;
        }
        break;
    case 'u':
        ToggleStereo();
        break;
    case 'y':
        tracerA.ToggleColouredShadows();
        break;
    default:
        break;
    }
}

void TracerWindow::OnMouseButton(int button, bool pressed)
{
    if (button == 0)
        leftHeld = pressed;
    else if (button == 2)
        rightHeld = pressed;
}

void TracerWindow::OnMouseMove(int, int)
{
    // One half-unit step per move event, whatever the distance moved.
    if (leftHeld)
        tracerA.MoveSpheresLeft();
    if (rightHeld)
        tracerA.MoveSpheresRight();
}

void TracerWindow::OnIdle()
{
    Redraw();
}
