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
//
// Exit status 2 for bad arguments or a run that cannot be set up, 3 when
// standard output cannot be written.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/OptionParser.h"
#include "app/Settings.h"
#include "app/StandardStreams.h"
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

const char* const UsageText =
    "usage: glintwork-bench [SCENE] [--frames N] [--threads N] [--path reference|fast|both]\n"
    "                       [--view single|pair|env] [--size WxH] [--json] [--cold]\n"
    "                       [--keys SEQ]   SEQ: inputs from g h r y u t k < >\n";

[[noreturn]] void Usage(const std::string& message)
{
    std::fprintf(stderr, "glintwork-bench: %s\n%s", message.c_str(), UsageText);
    std::exit(2);
}

// Takes a whole number from `low` to `high` into `number`, or says why not.
std::string Number(const std::string& text, int low, int high, const char* what, int& number)
{
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || n < low || n > high)
        return std::string("bad ") + what + ": " + ShownArgument(text);
    number = static_cast<int>(n);
    return "";
}

// One of the words `choices` (space-separated) into `into`, or `refused`.
std::function<std::string(const std::string&)> OneOf(const std::string& choices, const char* refused,
                                                     std::string& into)
{
    return [choices, refused, &into](const std::string& value) {
        if (value.empty() || (" " + choices + " ").find(" " + value + " ") == std::string::npos)
            return std::string(refused);
        into = value;
        return std::string();
    };
}

Options Parse(App& app)
{
    Options o;
    const auto flag = [](bool& set) { return [&set](const std::string&) { set = true; return std::string(); }; };
    const std::vector<Option> options = {
        {"--frames", nullptr, "N", nullptr,
         [&](const std::string& v) { return Number(v, 1, 100000, "frame count", o.frames); }, ""},
        {"--threads", nullptr, "N", nullptr,
         [&](const std::string& v) { return Number(v, 1, 64, "thread count", o.threads); }, ""},
        {"--path", nullptr, "reference|fast|both", nullptr,
         OneOf("reference fast both", "--path is reference, fast or both", o.path), ""},
        {"--view", nullptr, "single|pair|env", nullptr, OneOf("single pair env", "--view is single, pair or env", o.view), ""},
        {"--size", nullptr, "WxH", nullptr,
         [&](const std::string& size) {
             const std::size_t x = size.find('x');
             if (x == std::string::npos)
                 return std::string("--size is WxH");
             const std::string width = Number(size.substr(0, x), 1, 16384, "width", o.width);
             return !width.empty() ? width : Number(size.substr(x + 1), 1, 16384, "height", o.height);
         }, ""},
        {"--json", nullptr, nullptr, nullptr, flag(o.json), ""},
        {"--cold", nullptr, nullptr, nullptr, flag(o.cold), ""},
        {"--keys", nullptr, "SEQ", nullptr,
         [&](const std::string& v) {
             return ReadWindowInputs(v, o.keys) ? std::string() : "--keys takes a sequence of g h r y u t k < >";
         }, ""},
        {"--help", "-h", nullptr, nullptr, {}, "", true},
    };
    const ParsedArguments parsed = ParseArguments(app.GetArgc(), app.GetArguments(), options);
    if (!parsed.error.empty())
        Usage(parsed.error);
    if (parsed.final) {
        std::fputs(UsageText, stdout);
        std::exit(FinishStandardOutput("glintwork-bench") ? 0 : 3);
    }
    for (const std::string& operand : parsed.operands)
        o.scene = operand;
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
    // The run the bench makes: the frame paths measured, in this order.
    void Measure(const Options& given, const std::vector<FramePath>& measured)
    {
        options = given;
        paths = measured;
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
        if (!FinishStandardOutput("glintwork-bench"))
            std::exit(3);
        Close();
    }

private:
    // The next input of --keys, as the window gets it from the keyboard or
    // from one mouse move with a button held.
    void ApplyNextInput() { ApplyInput(options.keys[nextInput++ % options.keys.size()]); }

    // The frame's final points drawn again as a frame draws the views it
    // kept: the fast path's bands, view by view, with nothing traced; then
    // grabbed and saved. Only the first call may trace: after a measured
    // frame the views are kept already; without one (a run of the
    // straightforward path) it traces them once to keep them.
    void FloorFrame()
    {
        const ViewKeeping measured = CurrentSettings().keeping;
        ViewKeeping reusing = measured;
        reusing.reusePoints = true;
        SetKeeping(reusing);
        FrameTimes t;
        const Clock::time_point start = Clock::now();
        DrawFrame(FramePath::Fast, &t);
        SaveFrame(FramePath::Fast, &t);
        SwapBuffers();
        if (floorWarm)
            floorFrames.push_back(Ms(start, Clock::now()));
        floorWarm = true;
        SetKeeping(measured);
    }

    // The fast path's trace of the frame's views with nothing drawn, on one
    // thread and on the chosen number: what tracing costs without GL's own
    // threads competing for the processors. The first run warms up.
    void MeasureTraceAlone()
    {
        for (unsigned count : {1u, TracingThreads(CurrentSettings().threads)}) {
            std::vector<double> times = TraceShownView(count, options.frames + 1);
            times.erase(times.begin());
            traceAlone.push_back(Percentiles(times).median);
        }
    }

    void Report()
    {
        const char* names[2] = {"reference", "fast"};
        const Stat floorStat = Percentiles(floorFrames);
        const Scene& scene = CurrentScene();
        const unsigned threads = TracingThreads(CurrentSettings().threads);
        if (options.json) {
            std::printf("{\"scene\":\"%s\",\"view\":\"%s\",\"width\":%u,\"height\":%u,\"threads\":%u,"
                        "\"cold\":%s,\"keys\":\"%s\",\"paths\":{",
                        options.scene.c_str(), options.view.c_str(), scene.screenWidth, scene.screenHeight,
                        threads, options.cold ? "true" : "false", options.keys.c_str());
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
                        traceAlone[0], threads, traceAlone[1]);
            return;
        }
        std::printf("scene %s, view %s, %u x %u, %u tracing threads, %d frames per path%s\n", options.scene.c_str(),
                    options.view.c_str(), scene.screenWidth, scene.screenHeight, threads, options.frames,
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
                    traceAlone[0], threads, traceAlone[1],
                    traceAlone[1] > 0 ? traceAlone[0] / traceAlone[1] : 0.0);
    }

    Options options;
    std::vector<FramePath> paths;
    PathResult results[2];
    std::vector<double> floorFrames;
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
            Usage("cannot read the scene " + ShownArgument(o.scene));
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
        // The view asked for, as the keys that show it.
        settings.firstInputs = o.view == "pair" ? "u" : o.view == "env" ? "t" : "";
        settings.keeping.reusePoints = !o.cold && o.keys.empty();
        settings.keeping.reusePlanes = !o.cold;
        window.Configure(settings);
        if (!EnterScratchFolder(script))
            Usage("cannot make a scratch folder");
        SceneReport report;
        if (window.LoadScene(report) != Scene::Status::Read)
            Usage(report.messages.empty() ? "the scene cannot be used" : report.messages.back().c_str());
        std::vector<FramePath> paths;
        if (o.path != "fast")
            paths.push_back(FramePath::Reference);
        if (o.path != "reference")
            paths.push_back(FramePath::Fast);
        window.Measure(o, paths);
    }

    BenchWindow window;
};

BenchApp app;

}  // namespace

}  // namespace glintwork
