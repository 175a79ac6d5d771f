// glintwork-trace-bench: the full trace of one view alone, with no window.
//
//   glintwork-trace-bench [SCENE] [--frames N] [--threads N] [--path reference|fast] [--view single|env]
//                         [--moves]
//
// Sets the tracer up as the window does, traces the view N times in full
// (nothing kept between frames; with --moves, single view: after moving the
// spheres left and right in turn, as G and H do, the fast path from the
// values kept for the view) and prints the median milliseconds and a hash
// of the points the frame draws (for the reference path: with the points that
// the next one covers left out, as the fast path leaves out a sphere point's
// repeats), so the two paths can be compared by hash. Equal hashes mean equal
// point lists; where two different points fall on one position (the environment
// view of a crowded scene) the lists differ by such a point while the
// pictures do not. Small enough to run under callgrind.
// GLINTWORK_THREADS sets the default thread count and GLINTWORK_ISA the
// vector width, as for glintwork. Exit status 2 for bad arguments, a bad
// value of either variable or a scene that cannot be traced, 3 when
// standard output cannot be written.

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/OptionParser.h"
#include "app/StandardStreams.h"
#include "trace/kept/KeptViews.h"
#include "trace/tracers/EnvSceneTracer.h"
#include "trace/kernels/InstructionSet.h"
#include "trace/tracers/ReferenceTracer.h"
#include "trace/scene/Scene.h"
#include "trace/scene/SceneCheck.h"
#include "trace/tracers/SceneTracer.h"

namespace glintwork {

namespace {

const char* const Usage = "usage: glintwork-trace-bench [SCENE] [--frames N] [--threads N] [--path reference|fast]\n"
                          "                             [--view single|env] [--moves]\n";

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "glintwork-trace-bench: %s\n", message.c_str());
    std::exit(2);
}

// Takes a whole number from `low` to `high` into `number`, or says why not.
std::string Number(const std::string& text, int low, int high, int& number)
{
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || n < low || n > high)
        return "bad number: " + ShownArgument(text);
    number = static_cast<int>(n);
    return "";
}

std::uint64_t Hash(const PointList& points)
{
    std::uint64_t h = 1469598103934665603ull;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(points.data());
    for (std::size_t i = 0; i < points.size() * sizeof(PlotRecord); ++i)
        h = (h ^ bytes[i]) * 1099511628211ull;
    return h;
}

// A sphere move before frame i, or none.
template <typename Tracer> void Move(Tracer&, int) {}
template <> void Move(SceneTracer& tracer, int i)
{
    if (i % 2 == 0)
        tracer.MoveSpheresLeft();
    else
        tracer.MoveSpheresRight();
}

template <typename Tracer>
void Run(const Scene& scene, Tracer& tracer, bool fast, int frames, unsigned threads, bool moves)
{
    std::vector<double> times;
    PointList drawn;
    BandPool pool(threads);
    // Nothing kept between frames but, with moves, the view's plane values.
    KeptViews::Options options;
    options.reusePoints = false;
    options.reusePlanes = moves;
    KeptViews kept(pool, options);
    const RoomSetUp& setUp = tracer.SetUpTraced();
    if (moves && fast)
        kept.Draw(setUp, tracer.Inputs(), [](const PointList&) {});  // keeps the view's values, untimed
    for (int i = 0; i < frames; ++i) {
        drawn.clear();
        if (moves)
            Move(tracer, i);
        ReferenceTracer reference(scene, tracer.Inputs());
        const auto start = std::chrono::steady_clock::now();
        if (fast) {
            kept.Draw(setUp, tracer.Inputs(),
                      [&](const PointList& band) { drawn.insert(drawn.end(), band.begin(), band.end()); });
        } else {
            reference.Render();
            drawn = WithoutCoveredPoints(reference.Points());
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%s path, %u thread(s), %d frame(s): median %.2f ms, min %.2f ms, %zu points, hash %016" PRIx64 "\n",
                fast ? "fast" : "reference", fast ? threads : 1u, frames, times[times.size() / 2], times.front(),
                drawn.size(), Hash(drawn));
}

}  // namespace

}  // namespace glintwork

int main(int argumentCount, char** arguments)
{
    using namespace glintwork;
    std::string path = GLINTWORK_DEFAULT_SCENE, mode = "fast", view = "single";
    int frames = 5;
    const char* threadsVariable = std::getenv("GLINTWORK_THREADS");
    unsigned asked = 0;
    if (threadsVariable && *threadsVariable) {
        char* end = nullptr;
        const long n = std::strtol(threadsVariable, &end, 10);
        if (end == threadsVariable || *end != '\0' || n < 1 || n > 64)
            Fail(std::string("GLINTWORK_THREADS=\"") + threadsVariable + "\": expected a whole number from 1 to 64");
        asked = static_cast<unsigned>(n);
    }
    unsigned threads = TracingThreads(asked);
    const char* isa = std::getenv("GLINTWORK_ISA");
    if (isa && *isa && !SelectInstructionSet(isa))
        Fail(std::string("GLINTWORK_ISA=\"") + isa + "\": expected plain, sse4, avx2 or avx512");
    bool moves = false;
    int threadsGiven = 0;
    const auto text = [](std::string& into) {
        return [&into](const std::string& value) {
            into = value;
            return std::string();
        };
    };
    const std::vector<Option> options = {
        {"--frames", nullptr, "N", nullptr, [&](const std::string& v) { return Number(v, 1, 100000, frames); }, ""},
        {"--threads", nullptr, "N", nullptr, [&](const std::string& v) { return Number(v, 1, 64, threadsGiven); }, ""},
        {"--path", nullptr, "reference|fast", nullptr, text(mode), ""},
        {"--view", nullptr, "single|env", nullptr, text(view), ""},
        {"--moves", nullptr, nullptr, nullptr, [&](const std::string&) { moves = true; return std::string(); }, ""},
        {"--help", "-h", nullptr, nullptr, {}, "", true},
    };
    const ParsedArguments parsed = ParseArguments(argumentCount, arguments, options);
    if (!parsed.error.empty())
        Fail(parsed.error);
    if (parsed.final) {
        std::fputs(Usage, stdout);
        return FinishStandardOutput("glintwork-trace-bench") ? 0 : 3;
    }
    for (const std::string& operand : parsed.operands)
        path = operand;
    if (threadsGiven > 0)
        threads = static_cast<unsigned>(threadsGiven);
    if (mode != "reference" && mode != "fast")
        Fail("--path is reference or fast");
    if (view != "single" && view != "env")
        Fail("--view is single or env");
    if (moves && view != "single")
        Fail("--moves takes the single view");

    Scene scene;
    std::string reason, warning;
    if (scene.ReadScript(path.c_str()) != Scene::Status::Read || !CheckSceneForTracing(scene, reason, warning))
        Fail("cannot trace the scene " + path + (reason.empty() ? "" : ": " + reason));
    const auto setUp = std::make_shared<const RoomSetUp>(scene);
    if (view == "single") {
        SceneTracer tracer;
        tracer.SetUp(setUp);
        Run(scene, tracer, mode == "fast", frames, threads, moves);
    } else {
        EnvSceneTracer tracer;
        tracer.SetUp(setUp);
        Run(scene, tracer, mode == "fast", frames, threads, moves);
    }
    return FinishStandardOutput("glintwork-trace-bench") ? 0 : 3;
}
