#include "app/TracerWindow.h"

#include <GL/gl.h>

#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <utility>

#include "app/FrameWriter.h"
#include "app/OptionParser.h"
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

void TracerWindow::Configure(const Settings& given)
{
    settings = given;
    sceneGuard = SceneFileGuard(settings.scene);
    SetFrameLimit(settings.frames);
    if (!settings.instructionSet.empty())
        SelectInstructionSet(settings.instructionSet.c_str());
}

Scene::Status TracerWindow::LoadScene(SceneReport& report)
{
    const Scene::Status status = ReadTraceableScene(scene, settings.sceneNamed, report);
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

    view = roomView = ViewKind::Single;
    for (char input : settings.firstInputs)
        ApplyInput(input);
    SetTitle(Title().c_str());
}

Scene::Status TracerWindow::ReadTraceableScene(Scene& into, bool named, SceneReport& report) const
{
    report = ReadSceneForTracing(settings.scene, named, into);
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
    sceneTracer.SetUp(setUp);
    envTracer.SetUp(setUp);

    eyeLeft = Vec3(-PairEyeOffset, 0.0, 0.0);
    eyeRight = Vec3(PairEyeOffset, 0.0, 0.0);
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
        struct stat info;
        if (stat(settings.scene.c_str(), &info) != 0 && errno == ENOENT) {
            SceneMissing();
        } else {
            std::string where = BaseName(settings.scene);
            if (report.errorPlace.Known())
                where += ":" + std::to_string(report.errorPlace.line) + ":" + std::to_string(report.errorPlace.column);
            ShowSceneTrouble(where + ": error");
        }
        return false;
    }
    sceneTrouble.clear();
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
    DrawFrame(settings.path, nullptr);
    framing = false;
    if (!frameCancelled) {
        SaveFrame(settings.path, nullptr);
        SwapBuffers();
    }
    AfterFrame();
    if (settings.recording && !frameCancelled && !quitting && outputEnd == OutputEnd::Running)
        RecordNextInput();
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

bool TracerWindow::KeepTracing(KeptViews::Made made)
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
        if (settings.endNow)
            settings.endNow();
        return false;
    }
    if (resizedInFrame)
        return false;  // drawn across a change of the window's buffers
    const double elapsed = std::chrono::duration<double, std::milli>(now - frameStart).count();
    // A quick frame is finished and the inputs follow it; a slow one would
    // keep them waiting.
    if (!pendingInputs.empty() && SlowFrame(elapsed, made))
        return false;
    if (elapsed >= settings.slowFrameMs && pixelsInFrame > 0) {
        const int percent = static_cast<int>(100.0 * static_cast<double>(PixelsDone()) / pixelsInFrame);
        if (percent != shownPercent) {
            shownPercent = percent;
            SetTitle((Title() + " — tracing " + std::to_string(percent) + " %").c_str());
        }
    }
    return true;
}

std::uint64_t TracerWindow::PixelsDone() const
{
    return pixelsOfViewsDone + (pool ? pool->Progress() : 0);
}

bool TracerWindow::SlowFrame(double elapsedMs, KeptViews::Made made) const
{
    if (elapsedMs >= settings.slowFrameMs)
        return true;
    // Expected from the last frame of its kind, and from the share of the
    // pixels traced so far (counted a batch at a time, so that a frame
    // whose bands are slow is known to be slow long before its first band
    // is done). Its first few milliseconds say too little (the threads
    // waking, a few pixels of the top rows): a quick frame would be taken
    // for a slow one.
    const double before = tracedFrameMs[static_cast<int>(view)][static_cast<int>(made)];
    const std::uint64_t done = PixelsDone();
    const bool sampled = done > 0 && elapsedMs >= settings.slowFrameMs / 10.0;
    const double projected =
        sampled ? elapsedMs * static_cast<double>(pixelsInFrame) / static_cast<double>(done) : 0.0;
    return before > settings.slowFrameMs || projected > settings.slowFrameMs;
}

std::string TracerWindow::Title() const
{
    std::string title = "Glintwork — " + BaseName(settings.scene) + " — ";
    if (view == ViewKind::Environment) {
        title += "environment";
    } else {
        title += view == ViewKind::Pair ? "pair" : "single";
        if (!sceneTracer.ReflectionsOn())
            title += ", reflections off";
        if (!sceneTracer.ColouredShadowsOn())
            title += ", coloured shadows off";
    }
    if (!sceneTrouble.empty())
        title += " — " + sceneTrouble + ", last good scene shown";
    return title;
}

void TracerWindow::SceneMissing()
{
    ShowSceneTrouble(BaseName(settings.scene) + " missing");
}

void TracerWindow::ShowSceneTrouble(const std::string& trouble)
{
    sceneTrouble = trouble;
    SetTitle(Title().c_str());
}

void TracerWindow::Say(const std::string& line) const
{
    if (settings.say)
        settings.say(line);
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
        // Drawn from what is kept, or band by band in row order while later
        // bands are still being traced: the same points in the same order as
        // one thread's list.
        double drawing = 0.0;
        const KeptViews::Frame frame = kept->Draw(
            *setUp, inputs,
            [&](const PointList& band) {
                const Clock::time_point start = Clock::now();
                DrawPointsArrays(band);
                drawing += Since(start);
            },
            framing ? std::function<bool()>([this] { return KeepTracing(kept->Making()); }) : std::function<bool()>());
        pixelsOfViewsDone += std::uint64_t(setUp->Rows()) * setUp->Columns();
        if (frame.made == KeptViews::Made::FromKeptPoints)
            ++viewsFromKeptPoints;
        else
            frameMade = frame.made;
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
        pool = std::make_unique<BandPool>(TracingThreads(settings.threads));
        kept = std::make_unique<KeptViews>(*pool, settings.keeping);
    }
    if (kept && !(kept->GetOptions() == settings.keeping))
        kept->SetOptions(settings.keeping);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Viewports come from the scene's screen, whatever the window's size.
    const int width = static_cast<int>(scene.screenWidth);
    const int half = static_cast<int>(scene.screenWidth / 2);
    frameCancelled = false;
    resizedInFrame = false;
    frameStart = Clock::now();
    // The input that came before the first band is taken at it.
    lastServed = frameStart - std::chrono::milliseconds(BandPool::PollMilliseconds);
    viewsFromKeptPoints = 0;
    const unsigned viewsInFrame = view == ViewKind::Pair ? 2 : 1;
    pixelsOfViewsDone = 0;
    pixelsInFrame = std::uint64_t(setUp->Rows()) * setUp->Columns() * viewsInFrame;
    switch (view) {
    case ViewKind::Single:
        sceneTracer.SetEye(eyeCentre);
        DrawView(sceneTracer.Inputs(), 0, width, drawPath, times);
        break;
    case ViewKind::Pair:
        // The left eye's picture goes into the right half and the right
        // eye's into the left half, each squeezed to half width.
        sceneTracer.SetEye(eyeLeft);
        DrawView(sceneTracer.Inputs(ViewInputs::Kind::PairEye), half, half, drawPath, times);
        if (!frameCancelled) {
            sceneTracer.SetEye(eyeRight);
            DrawView(sceneTracer.Inputs(ViewInputs::Kind::PairEye), 0, half, drawPath, times);
        }
        break;
    case ViewKind::Environment:
        envTracer.SetEye(eyeCentre);
        DrawView(envTracer.Inputs(), 0, width, drawPath, times);
        break;
    }
    // A finished frame that traced tells what the next one of its view takes.
    if (!frameCancelled && viewsFromKeptPoints < viewsInFrame)
        tracedFrameMs[static_cast<int>(view)][static_cast<int>(frameMade)] = Since(frameStart);
}

std::vector<double> TracerWindow::TraceShownView(unsigned threads, int runs)
{
    BandPool alone(threads);
    KeptViews nothingKept(alone, ViewKeeping{false, false, KeptViews::DefaultBudgetBytes});
    const auto trace = [&](const ViewInputs& inputs) { nothingKept.Draw(*setUp, inputs, [](const PointList&) {}); };
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        if (view == ViewKind::Environment) {
            envTracer.SetEye(eyeCentre);
            trace(envTracer.Inputs());
        } else if (view == ViewKind::Pair) {
            sceneTracer.SetEye(eyeLeft);
            trace(sceneTracer.Inputs(ViewInputs::Kind::PairEye));
            sceneTracer.SetEye(eyeRight);
            trace(sceneTracer.Inputs(ViewInputs::Kind::PairEye));
        } else {
            sceneTracer.SetEye(eyeCentre);
            trace(sceneTracer.Inputs());
        }
        times.push_back(Since(start));
    }
    return times;
}

void TracerWindow::SaveFrame(FramePath savePath, FrameTimes* times)
{
    const Clock::time_point start = Clock::now();
    if (savePath == FramePath::Reference)
        screenShot.GrabWindow();
    else
        screenShot.GrabWindowInFileLayout();
    const Clock::time_point grabbed = Clock::now();
    // A file is replaced only when the whole frame is written, so a reader
    // never sees half a frame; a failure keeps the previous frame. Nor is the
    // scene written over, should it have been renamed onto the frame's name
    // since the start.
    const long number = framesSaved++;
    std::string reason = settings.output.GetKind() == FrameOutput::Kind::StandardOutput
                             ? std::string()
                             : sceneGuard.Refusal(settings.output.NameOf(number));
    const bool refused = !reason.empty();
    switch (refused ? FrameWrite::Failed
                    : WriteFrame(settings.output, number, screenShot, settings.outputKind, reason)) {
    case FrameWrite::Written:
        saveFailed = false;
        frameWritten = true;
        break;
    case FrameWrite::ReaderGone:
        EndOutput(OutputEnd::ReaderGone, "");
        break;
    case FrameWrite::Failed:
        if (settings.output.GetKind() == FrameOutput::Kind::StandardOutput) {
            // Part of a frame may be out: nothing after it could be read.
            EndOutput(OutputEnd::StreamFailed, "cannot write to standard output: " + reason);
        } else if (settings.recording) {
            // A recording with a frame missing is no recording.
            EndOutput(OutputEnd::RecordingBroken, "cannot write " + settings.output.Shown(number) + ": " + reason +
                                                      "; the recording stops at frame " + std::to_string(number));
        } else if (!saveFailed) {
            saveFailed = true;
            Say("warning: cannot write " + settings.output.Shown(number) + ": " + reason +
                (refused        ? "; frames are not written over it and tracing goes on"
                 : frameWritten ? "; the last frame written stays and tracing goes on"
                                : "; no frame has been written; tracing goes on"));
        }
        break;
    }
    if (times) {
        times->grab += std::chrono::duration<double, std::milli>(grabbed - start).count();
        times->save += Since(grabbed);
    }
}

void TracerWindow::EndOutput(OutputEnd how, const std::string& reason)
{
    if (outputEnd != OutputEnd::Running)
        return;
    outputEnd = how;
    outputEndReason = reason;
    Close();
}

void TracerWindow::RecordNextInput()
{
    if (recordedSoFar < settings.recordedInputs.size())
        ApplyInput(settings.recordedInputs[recordedSoFar++]);
    else
        Close();  // the frame of the last input is written
}

void TracerWindow::OnResize(int width, int height)
{
    glViewport(0, 0, width, height);
    // A frame drawn across a change of the window's buffers is not kept.
    if (framing)
        resizedInFrame = true;
    Redraw();
}

void TracerWindow::ToggleStereo()
{
    roomView = roomView == ViewKind::Pair ? ViewKind::Single : ViewKind::Pair;
    if (view != ViewKind::Environment)
        view = roomView;
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
        sceneTracer.MoveSpheresLeft();
        break;
    case 'h':
        sceneTracer.MoveSpheresRight();
        break;
    case 'k':
        view = ViewKind::Environment;
        break;
    case 'r':
        sceneTracer.ToggleReflections();
        break;
    case 't':
        view = view == ViewKind::Environment ? roomView : ViewKind::Environment;
        break;
    case 'u':
        ToggleStereo();
        break;
    case 'y':
        sceneTracer.ToggleColouredShadows();
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
        sceneTracer.MoveSpheresLeft();
    if (rightHeld)
        sceneTracer.MoveSpheresRight();
    if (leftHeld || rightHeld)
        Redraw();
}

void TracerWindow::OnIdle()
{
    if (!settings.watch)
        Redraw();
}

}  // namespace glintwork
