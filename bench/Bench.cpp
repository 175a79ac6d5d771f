// glintwork-bench: frames per second of the tracer, stage by stage.
//
//   glintwork-bench [SCENE] [--frames N] [--threads N] [--path reference|fast|both]
//                   [--view single|pair|env] [--size WxH] [--json] [--cold] [--keys SEQ]
//
// Opens a real window on the current display, runs the application's frame
// (trace, draw, grab, save, swap) N times for each path and prints the median
// and 90th percentile of every stage. It also measures the floor: the same
// frame's final points drawn again the way a frame draws the views it kept
// (band by band, view by view), grabbed and saved, without tracing, once
// after every measured frame of the fast path, so that drift in the
// machine's load falls on both alike; and the trace alone, with nothing
// drawn, on one thread and on the chosen number.
//
// The fast path draws a view whose inputs have not changed from the points it
// kept, so in a steady run it traces only the first frame; --cold turns that
// off, so every frame is traced in full. --keys SEQ applies the next input of
// SEQ (cycling) before each measured frame, as the window takes it: the keys
// g h r y u t k, and < or > for one left or right drag step; every frame is
// then the first after that input, made from what the frames before it kept
// (never drawn again from the points of a view with the same inputs).

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/TracerWindow.h"
#include "app/WindowInputs.h"
#include "framework/main/App.h"
#include "trace/kept/KeptViews.h"
#include "tests/support/ScratchFolder.h"

namespace glintwork {

namespace {

struct Options {
    std::string scene = GLINTWORK_DEFAULT_SCENE;
    int frames = 20;
    int threads = 0;  // 0: the default
    std::string path = "both";
    std::string view = "single";
    int width = 0, height = 0;
    bool json = false;
    bool cold = false;
    std::string keys;
};

[[noreturn]] void Usage(const char* message)
{
    if (message)
        std::fprintf(stderr, "glintwork-bench: %s\n", message);
    std::fprintf(stderr, "usage: glintwork-bench [SCENE] [--frames N] [--threads N] [--path reference|fast|both]\n"
                         "                       [--view single|pair|env] [--size WxH] [--json] [--cold]\n"
                         "                       [--keys SEQ]   SEQ: inputs from g h r y u t k < >\n");
    std::exit(2);
}

int Number(const char* text, int low, int high, const char* what)
{
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < low || n > high)
        Usage((std::string("bad ") + what + ": " + text).c_str());
    return static_cast<int>(n);
}

Options Parse(App& app)
{
    Options o;
    for (int i = 1; i < app.GetArgc(); ++i) {
        const std::string a = app.GetArg(i);
        auto value = [&]() -> const char* {
            if (i + 1 >= app.GetArgc())
                Usage((a + " needs a value").c_str());
            return app.GetArg(++i);
        };
        if (a == "--frames") {
            o.frames = Number(value(), 1, 100000, "frame count");
        } else if (a == "--threads") {
            o.threads = Number(value(), 1, 64, "thread count");
        } else if (a == "--path") {
            o.path = value();
            if (o.path != "reference" && o.path != "fast" && o.path != "both")
                Usage("--path is reference, fast or both");
        } else if (a == "--view") {
            o.view = value();
            if (o.view != "single" && o.view != "pair" && o.view != "env")
                Usage("--view is single, pair or env");
        } else if (a == "--size") {
            const std::string size = value();
            const std::size_t x = size.find('x');
            if (x == std::string::npos)
                Usage("--size is WxH");
            o.width = Number(size.substr(0, x).c_str(), 1, 16384, "width");
            o.height = Number(size.substr(x + 1).c_str(), 1, 16384, "height");
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--cold") {
            o.cold = true;
        } else if (a == "--keys") {
            o.keys = value();
            bool valid = !o.keys.empty();
            for (char c : o.keys)
                valid = valid && IsWindowInput(c);
            if (!valid)
                Usage("--keys takes a sequence of g h r y u t k < >");
        } else if (a == "--help" || a == "-h") {
            Usage(nullptr);
        } else if (!a.empty() && a[0] == '-') {
            Usage(("unknown option " + a).c_str());
        } else {
            o.scene = a;
        }
    }
    return o;
}

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Stat {
    double median = 0.0, p90 = 0.0;
};

Stat Percentiles(std::vector<double> v)
{
    Stat s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
    s.p90 = v[std::min(v.size() - 1, static_cast<std::size_t>(0.9 * (v.size() - 1) + 0.5))];
    return s;
}

struct PathResult {
    std::vector<FrameTimes> frames;
    Stat Of(double FrameTimes::*stage) const
    {
        std::vector<double> v;
        for (const FrameTimes& f : frames)
            v.push_back(f.*stage);
        return Percentiles(v);
    }
    unsigned long Points() const { return frames.empty() ? 0 : frames.back().points; }
};

class BenchWindow : public TracerWindow {
public:
    Options options;
    std::vector<FramePath> paths;
    PathResult results[2];
    std::vector<double> floorFrames;

    void OnCreate() override
    {
        TracerWindow::OnCreate();
        stereo = options.view == "pair";
        viewA = options.view != "env";
        viewB = options.view == "env";
    }

    void OnDisplay() override
    {
        if (phase < paths.size()) {
            // One warm-up frame per path, then the measured ones.
            if (count > 0 && !options.keys.empty())
                ApplyNextInput();
            FrameTimes t;
            const Clock::time_point start = Clock::now();
            DrawFrame(paths[phase], &t);
            SaveFrame(paths[phase], &t);
            SwapBuffers();
            t.frame = Ms(start, Clock::now());
            if (count > 0)
                results[static_cast<int>(paths[phase])].frames.push_back(t);
            if (count > 0 && paths[phase] == FramePath::Fast)
                FloorFrame();
            if (++count > options.frames) {
                ++phase;
                count = 0;
            }
            return;
        }
        if (floorFrames.size() < static_cast<std::size_t>(options.frames)) {
            FloorFrame();
            return;
        }
        MeasureTraceAlone();
        Report();
        Close();
    }

private:
    // The next input of --keys, as the window gets it from the keyboard or
    // from one mouse move with a button held.
    void ApplyNextInput() { ApplyInput(options.keys[nextInput++ % options.keys.size()]); }

    // The views the next frame shows (as DrawFrame picks them).
    std::string ShownView() const
    {
        if (!viewA || viewB)
            return "env";
        return stereo ? "pair" : "single";
    }

    // The frame's final points drawn again as a frame draws the views it
    // kept: the fast path's bands, view by view, with nothing traced; then
    // grabbed and saved. Only the first call may trace: after a measured
    // frame the views are kept already; without one (a run of the
    // straightforward path) it traces them once to keep them.
    void FloorFrame()
    {
        const bool measuredCache = cacheViews;
        cacheViews = true;
        FrameTimes t;
        const Clock::time_point start = Clock::now();
        DrawFrame(FramePath::Fast, &t);
        SaveFrame(FramePath::Fast, &t);
        SwapBuffers();
        if (floorWarm)
            floorFrames.push_back(Ms(start, Clock::now()));
        floorWarm = true;
        cacheViews = measuredCache;
    }

    // The fast path's trace of the frame's views with nothing drawn, on one
    // thread and on the chosen number: what tracing costs without GL's own
    // threads competing for the processors.
    double TraceAlone(const ViewInputs& inputs, unsigned threads)
    {
        BandPool pool(threads);
        KeptViews nothingKept(pool, KeptViews::Options{false, false, KeptViews::DefaultBudgetBytes});
        std::vector<double> times;
        for (int i = 0; i <= options.frames; ++i) {
            const Clock::time_point start = Clock::now();
            nothingKept.Draw(tracerA.SetUpTraced(), inputs, [](const PointList&) {});
            if (i > 0)  // the first run warms up
                times.push_back(Ms(start, Clock::now()));
        }
        return Percentiles(times).median;
    }

    void MeasureTraceAlone()
    {
        const std::string view = ShownView();
        for (unsigned count : {1u, TracingThreads(threads)}) {
            double ms = 0.0;
            if (view == "env") {
                tracerB.SetEye(eyeCentre);
                ms = TraceAlone(tracerB.Inputs(), count);
            } else if (view == "pair") {
                tracerA.SetEye(eyeLeft);
                ms = TraceAlone(tracerA.Inputs(ViewInputs::Kind::PairEye), count);
                tracerA.SetEye(eyeRight);
                ms += TraceAlone(tracerA.Inputs(ViewInputs::Kind::PairEye), count);
            } else {
                tracerA.SetEye(eyeCentre);
                ms = TraceAlone(tracerA.Inputs(), count);
            }
            traceAlone.push_back(ms);
        }
    }

    void Report()
    {
        const char* names[2] = {"reference", "fast"};
        const Stat floorStat = Percentiles(floorFrames);
        if (options.json) {
            std::printf("{\"scene\":\"%s\",\"view\":\"%s\",\"width\":%u,\"height\":%u,\"threads\":%u,"
                        "\"cold\":%s,\"keys\":\"%s\",\"paths\":{",
                        options.scene.c_str(), options.view.c_str(), scene.screenWidth, scene.screenHeight,
                        TracingThreads(threads), options.cold ? "true" : "false", options.keys.c_str());
            bool first = true;
            for (FramePath p : paths) {
                const PathResult& r = results[static_cast<int>(p)];
                const double frame = r.Of(&FrameTimes::frame).median;
                std::printf("%s\"%s\":{\"frame_ms\":%.3f,\"trace_ms\":%.3f,\"draw_ms\":%.3f,\"grab_ms\":%.3f,"
                            "\"save_ms\":%.3f,\"fps\":%.2f,\"points\":%lu}",
                            first ? "" : ",", names[static_cast<int>(p)], frame, r.Of(&FrameTimes::trace).median,
                            r.Of(&FrameTimes::draw).median, r.Of(&FrameTimes::grab).median,
                            r.Of(&FrameTimes::save).median, frame > 0 ? 1000.0 / frame : 0.0, r.Points());
                first = false;
            }
            std::printf("},\"floor_ms\":%.3f,\"trace_alone_ms\":{\"1\":%.3f,\"%u\":%.3f}}\n", floorStat.median,
                        traceAlone[0], TracingThreads(threads), traceAlone[1]);
            return;
        }
        std::printf("scene %s, view %s, %u x %u, %u tracing threads, %d frames per path%s\n", options.scene.c_str(),
                    options.view.c_str(), scene.screenWidth, scene.screenHeight, TracingThreads(threads), options.frames,
                    options.cold ? ", every frame traced" : "");
        if (!options.keys.empty())
            std::printf("before every measured frame the next input of \"%s\"\n", options.keys.c_str());
        std::printf("%-10s %17s %17s %17s %17s %17s %8s %9s\n", "path", "trace ms", "draw ms", "grab ms", "save ms",
                    "frame ms", "fps", "points");
        std::printf("%-10s %17s %17s %17s %17s %17s\n", "", "median   p90", "median   p90", "median   p90",
                    "median   p90", "median   p90");
        for (FramePath p : paths) {
            const PathResult& r = results[static_cast<int>(p)];
            std::printf("%-10s", names[static_cast<int>(p)]);
            for (double FrameTimes::*stage :
                 {&FrameTimes::trace, &FrameTimes::draw, &FrameTimes::grab, &FrameTimes::save, &FrameTimes::frame}) {
                const Stat s = r.Of(stage);
                std::printf(" %8.2f %8.2f", s.median, s.p90);
            }
            const double frame = r.Of(&FrameTimes::frame).median;
            std::printf(" %8.2f %9lu\n", frame > 0 ? 1000.0 / frame : 0.0, r.Points());
        }
        std::printf("%-10s %71s %8.2f %8.2f\n", "floor", "", floorStat.median, floorStat.p90);
        std::printf("trace alone (fast path, nothing drawn): 1 thread %.2f ms, %u threads %.2f ms (x%.2f)\n",
                    traceAlone[0], TracingThreads(threads), traceAlone[1],
                    traceAlone[1] > 0 ? traceAlone[0] / traceAlone[1] : 0.0);
    }

    std::vector<double> traceAlone;
    std::size_t phase = 0;
    int count = 0;
    std::size_t nextInput = 0;
    bool floorWarm = false;
};

class BenchApp : public App {
public:
    // Sets the run up in a scratch folder holding the scene (with the size
    // overridden by a later "screen" keyword when asked).
    void OnCreate() override
    {
        Options o = Parse(*this);
        std::string script = ReadWholeFile(o.scene);
        if (script.empty())
            Usage(("cannot read the scene " + o.scene).c_str());
        if (o.width > 0)
            script += "\nscreen " + std::to_string(o.width) + " " + std::to_string(o.height) + "\n";
        // The environment as glintwork reads it; --threads wins.
        Settings settings;
        std::string error;
        if (!ReadSettings([](const char* name) -> const char* { return std::getenv(name); }, settings, error))
            Usage(error.c_str());
        settings.frames = 0;  // the bench counts its own frames
        if (o.threads > 0)
            settings.threads = static_cast<unsigned>(o.threads);
        window.Configure(settings);
        if (!EnterScratchFolder(script))
            Usage("cannot make a scratch folder");
        SceneReport report;
        if (window.LoadScene(report) != Scene::Status::Read)
            Usage(report.messages.empty() ? "the scene cannot be used" : report.messages.back().c_str());
        if (o.path != "fast")
            window.paths.push_back(FramePath::Reference);
        if (o.path != "reference")
            window.paths.push_back(FramePath::Fast);
        window.options = o;
        window.cacheViews = !o.cold && o.keys.empty();
        window.keepPlaneValues = !o.cold;
    }

    BenchWindow window;
};

BenchApp app;

}  // namespace

}  // namespace glintwork
