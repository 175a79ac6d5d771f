#include "app/TracerWindow.h"

#include <GL/gl.h>

#include <csignal>
#include <cstring>
#include <string>
#include <utility>

#include "app/PointDrawer.h"
#include "app/SceneReport.h"
#include "app/WindowInputs.h"
#include "framework/main/Main.h"
#include "framework/platform/PlatformWindow.h"
#include "trace/kernels/InstructionSet.h"
#include "trace/tracers/ReferenceTracer.h"
#include "trace/scene/SceneCheck.h"
#include "trace/math/ViewGeometry.h"

namespace glintwork {

namespace {

// A frame slower than this shows its progress in the title.
constexpr double ProgressAfterMs = 500.0;

using Clock = std::chrono::steady_clock;

// Letters arrive as their upper-case codes; the key table is in lower case.
int FoldKey(int key)
{
    return (key >= 'A' && key <= 'Z') ? key - 'A' + 'a' : key;
}

// The letters of the key table below (TracerWindow::OnKeyboard).
bool IsInputLetter(int key)
{
    return key > 0 && key < 128 && std::strchr(WindowInputKeys, key) != nullptr;
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

void TracerWindow::Configure(const Settings& settings)
{
    SetFrameLimit(settings.frames);
    path = settings.path;
    threads = settings.threads;
    if (!settings.instructionSet.empty())
        SelectInstructionSet(settings.instructionSet.c_str());
}

Scene::Status TracerWindow::LoadScene(SceneReport& report)
{
    const Scene::Status status = ReadTraceableScene(scene, scriptNamed, report);
    sceneLoaded = status == Scene::Status::Read;
    return status;
}

void TracerWindow::OnCreate()
{
    if (!sceneLoaded) {
        // The program did not read the scene before the window opened.
        SceneReport report;
        const Scene::Status status = LoadScene(report);
        if (status == Scene::Status::Unusable && !report.messages.empty()) {
            failure = report.messages.back();
            report.messages.pop_back();
        }
        for (const std::string& line : report.messages)
            Say(line);
        if (status != Scene::Status::Read) {
            Close();
            return;
        }
    }
    SetUpFromScene();

    stereo = false;
    viewA = true;
    viewB = false;
    for (char input : firstInputs)
        ApplyInput(input);
    SetTitle(Title().c_str());
}

Scene::Status TracerWindow::ReadTraceableScene(Scene& into, bool named, SceneReport& report) const
{
    report = ReadSceneForTracing(scriptPath, named, into);
    return report.status;
}

void TracerWindow::SetUpFromScene()
{
    SetSize(static_cast<int>(scene.screenWidth), static_cast<int>(scene.screenHeight));

    const float aspect = static_cast<float>(scene.screenWidth) / static_cast<float>(scene.screenHeight);
    frustumTop = ImagePlaneTop(FieldOfView, RoomSetUp::Pi, NearDistance);
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

    setUp = std::make_shared<const RoomSetUp>(scene, FieldOfView, aspect, NearDistance);
    tracerA.SetUp(setUp);
    tracerB.SetUp(setUp);

    eyeLeft = Vec3(-0.001, 0.0, 0.0);
    eyeRight = Vec3(0.001, 0.0, 0.0);
    eyeCentre = Vec3(0.0, 0.0, 0.0);

    screenShot.Create(static_cast<int>(scene.screenWidth), static_cast<int>(scene.screenHeight), RGB, 0);
    screenShot.Fill(0, 0, 0);

    if (kept)
        kept->Clear();
}

bool TracerWindow::ReloadScript(SceneReport& report)
{
    Scene fresh;
    // The scene was there: its absence now is worth a message.
    if (ReadTraceableScene(fresh, true, report) != Scene::Status::Read) {
        if (!report.messages.empty())
            report.messages.back() += "; the last good scene stays";
        return false;
    }
    scene = std::move(fresh);
    // The views, the pair and the switches stay; the rest starts from the new scene.
    const bool current = MakeCurrent(true);
    SetUpFromScene();
    if (current)
        MakeCurrent(false);
    SetTitle(Title().c_str());
    return true;
}

void TracerWindow::OnDisplay()
{
    if (!sceneLoaded)
        return;
    framing = true;
    DrawFrame(path, nullptr);
    framing = false;
    if (!frameCancelled) {
        SaveFrame(path, nullptr);
        SwapBuffers();
    }
    AfterFrame();
}

void TracerWindow::AfterFrame()
{
    if (quitting) {
        // A close request is in the queue already; Escape asks for one.
        if (escaped)
            Close();
        return;
    }
    const std::string inputs = pendingInputs;
    pendingInputs.clear();
    for (char input : inputs)
        ApplyInput(input);
    if (shownPercent >= 0 || !inputs.empty() || frameCancelled) {
        shownPercent = -1;
        SetTitle(Title().c_str());
    }
    if (frameCancelled)
        Redraw();
}

bool TracerWindow::KeepTracing()
{
    // Asked before every band: the input is looked at every few
    // milliseconds, not every band.
    const Clock::time_point now = Clock::now();
    if (now - lastServed < std::chrono::milliseconds(BandPool::PollMilliseconds))
        return true;
    lastServed = now;
    if (Main::Get()->ServeInput())
        quitting = true;  // the close request stays in the queue for the loop
    if (quitting) {
        if (endNow)
            endNow();
        return false;
    }
    if (!pendingInputs.empty() || resizedInFrame)
        return false;  // the frame would be stale
    const double elapsed = std::chrono::duration<double, std::milli>(now - frameStart).count();
    if (elapsed >= ProgressAfterMs && bandsInFrame > 0) {
        const int percent = static_cast<int>(100.0 * bandsDone / bandsInFrame);
        if (percent != shownPercent) {
            shownPercent = percent;
            SetTitle((Title() + " — tracing " + std::to_string(percent) + " %").c_str());
        }
    }
    return true;
}

std::string TracerWindow::Title() const
{
    std::string title = "Glintwork — " + BaseName(scriptPath) + " — ";
    if (!viewA || viewB)
        return title + "environment";
    title += stereo ? "pair" : "single";
    if (!tracerA.ReflectionsOn())
        title += ", reflections off";
    if (!tracerA.ColouredShadowsOn())
        title += ", coloured shadows off";
    return title;
}

void TracerWindow::Say(const std::string& line) const
{
    if (say)
        say(line);
}

namespace {

double Since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

void TracerWindow::DrawView(const ViewInputs& inputs, int x, int width, FramePath drawPath, FrameTimes* times)
{
    glViewport(x, 0, width, static_cast<GLsizei>(scene.screenHeight));
    glPushMatrix();
    if (drawPath == FramePath::Reference) {
        const Clock::time_point start = Clock::now();
        ReferenceTracer reference(scene, inputs);
        reference.Render();
        const Clock::time_point traced = Clock::now();
        DrawPointsImmediate(reference.Points());
        if (times) {
            glFinish();
            times->trace += std::chrono::duration<double, std::milli>(traced - start).count();
            times->draw += Since(traced);
            times->points += reference.Points().size();
        }
    } else {
        // Bands are drawn in row order, while later ones are still being
        // traced: the same points in the same order as one thread's list.
        const KeptViews::Options options{cacheViews, keepPlaneValues, viewBudgetBytes};
        const KeptViews::Options& current = kept->GetOptions();
        if (current.reusePoints != options.reusePoints || current.reusePlanes != options.reusePlanes ||
            current.budgetBytes != options.budgetBytes)
            kept->SetOptions(options);
        double drawing = 0.0;
        const KeptViews::Frame frame = kept->Draw(
            *setUp, inputs,
            [&](const PointList& band) {
                const Clock::time_point start = Clock::now();
                DrawPointsArrays(band);
                drawing += Since(start);
                ++bandsDone;
            },
            framing ? std::function<bool()>([this] { return KeepTracing(); }) : std::function<bool()>());
        if (frame.cancelled) {
            frameCancelled = true;
            glPopMatrix();
            return;
        }
        if (times) {
            const Clock::time_point start = Clock::now();
            glFinish();
            times->trace += frame.traceMs;
            times->draw += drawing + Since(start);
            times->points += frame.points;
        }
    }
    glPopMatrix();
}

void TracerWindow::DrawFrame(FramePath drawPath, FrameTimes* times)
{
    if (drawPath == FramePath::Fast && !pool) {
        pool = std::make_unique<BandPool>(TracingThreads(threads));
        kept = std::make_unique<KeptViews>(*pool);
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
    frameCancelled = false;
    resizedInFrame = false;
    frameStart = lastServed = Clock::now();
    bandsDone = 0;
    const unsigned viewBands = (setUp->Rows() + KeptViews::RowsPerBand - 1) / KeptViews::RowsPerBand;
    bandsInFrame = viewBands * ((viewA && stereo) ? 2 : 1);
    if (viewA) {
        if (!stereo) {
            tracerA.SetEye(eyeCentre);
            DrawView(tracerA.Inputs(), 0, width, drawPath, times);
        } else {
            // The pair: the left eye's picture goes into the right half and
            // the right eye's into the left half, each squeezed to half width.
            tracerA.SetEye(eyeLeft);
            DrawView(tracerA.Inputs(ViewInputs::Kind::PairEye), half, half, drawPath, times);
            if (!frameCancelled) {
                tracerA.SetEye(eyeRight);
                DrawView(tracerA.Inputs(ViewInputs::Kind::PairEye), 0, half, drawPath, times);
            }
        }
    }
    if (viewB) {
        tracerB.SetEye(eyeCentre);
        DrawView(tracerB.Inputs(), 0, width, drawPath, times);
    }
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
    const bool saved = writeFrame ? writeFrame(screenShot, framePath.c_str()) : screenShot.Save(framePath.c_str());
    if (saved) {
        saveFailed = false;
        frameWritten = true;
    } else if (!saveFailed) {
        saveFailed = true;
        Say("warning: cannot write " + framePath + ": " + Image::FailureReason() +
            (frameWritten ? "; the last frame written stays and tracing goes on"
                          : "; no frame has been written; tracing goes on"));
    }
    if (times) {
        times->grab += std::chrono::duration<double, std::milli>(grabbed - start).count();
        times->save += Since(grabbed);
    }
}

void TracerWindow::OnResize(int width, int height)
{
    glViewport(0, 0, width, height);
    // A frame drawn across a change of the window's buffers is not kept.
    if (framing)
        resizedInFrame = true;
    Redraw();
}

bool TracerWindow::ApplyInput(char input)
{
    if (input == '<' || input == '>') {
        // As one move with that button alone held; what the user holds stays.
        const bool left = leftHeld, right = rightHeld;
        leftHeld = input == '<';
        rightHeld = input == '>';
        OnMouseMove(0, 0);
        leftHeld = left;
        rightHeld = right;
        return true;
    }
    const int key = FoldKey(static_cast<unsigned char>(input));
    if (!IsInputLetter(key))
        return false;
    OnKeyboard(key - 'a' + 'A', true);
    return true;
}

// The key table.
void TracerWindow::OnKeyboard(int key, bool pressed)
{
    if (!pressed)
        return;
    if (framing) {
        // Held back until the frame being traced has ended.
        if (key == plat::VK_ESCAPE)
            quitting = escaped = true;
        else if (IsInputLetter(FoldKey(key)))
            pendingInputs += static_cast<char>(FoldKey(key));
        return;
    }
    switch (FoldKey(key)) {
    case plat::VK_ESCAPE:
        Close();
        return;
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
        return;  // not a key of the window: the picture stays
    }
    SetTitle(Title().c_str());
    Redraw();
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
    if (framing) {
        if (leftHeld)
            pendingInputs += '<';
        if (rightHeld)
            pendingInputs += '>';
        return;
    }
    if (leftHeld)
        tracerA.MoveSpheresLeft();
    if (rightHeld)
        tracerA.MoveSpheresRight();
    if (leftHeld || rightHeld)
        Redraw();
}

void TracerWindow::OnIdle()
{
    if (!drawOnDemand)
        Redraw();
}

}  // namespace glintwork
