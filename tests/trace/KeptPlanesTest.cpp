#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <thread>

#include "trace/kept/KeptViews.h"
#include "trace/tracers/EnvSceneTracer.h"
#include "trace/tracers/ReferenceTracer.h"
#include "trace/tracers/SceneTracer.h"
#include "tests/trace/TracerTestScene.h"

namespace glintwork {

namespace {

// The views of the window and the inputs that change them, as the window
// applies them to its two tracers; every frame of the fast path, made from
// what its earlier frames kept, is checked against a full trace of the
// straightforward path, also after a frame cancelled part-way: at each band
// boundary in turn, as an input during a frame cancels it, or halfway into
// the band after it, which is given up there with its points and values
// half made. Views share one
// memory budget: a view over it is traced in full every time, and views
// that fit only one at a time empty each other's entries.
class InputRun {
public:
    InputRun(const std::string& script, std::size_t budget, bool tooLarge) : script(script), tooLarge(tooLarge)
    {
        const auto setUp = SetUpOf(script);
        single.SetUp(setUp);
        environment.SetUp(setUp);
        KeptViews::Options options;
        if (budget != 0)
            options.budgetBytes = budget;
        for (unsigned threads : {1u, 2u, 3u})
            fast.push_back(std::make_unique<Fast>(threads, options));
    }

    void Apply(char input)
    {
        if (input == 'g' || input == '<')
            single.MoveSpheresLeft();
        else if (input == 'h' || input == '>')
            single.MoveSpheresRight();
        else if (input == 'r')
            single.ToggleReflections();
        else if (input == 'y')
            single.ToggleColouredShadows();
        else if (input == 'u')
            pair = !pair;
        else if (input == 't' || input == 'k')
            showEnvironment = !showEnvironment;
    }

    // Draws the shown views by both paths; false (with a failure reported)
    // where they differ.
    bool Frame(const std::string& where)
    {
        if (showEnvironment)
            return Check(environment.Inputs(), where + ", environment");
        if (!pair) {
            single.SetEye(Vec3());
            return Check(single.Inputs(), where + ", single");
        }
        single.SetEye(Vec3(-0.001, 0.0, 0.0));
        if (!Check(single.Inputs(ViewInputs::Kind::PairEye), where + ", left eye"))
            return false;
        single.SetEye(Vec3(0.001, 0.0, 0.0));
        return Check(single.Inputs(ViewInputs::Kind::PairEye), where + ", right eye");
    }

private:
    struct Fast {
        Fast(unsigned threads, const KeptViews::Options& options) : pool(threads), kept(pool, options) {}
        BandPool pool;
        KeptViews kept;
    };

    bool Check(const ViewInputs& inputs, const std::string& where)
    {
        ReferenceTracer straightforward = Straightforward(script, inputs);
        straightforward.Render();
        const PointList reference = WithoutCoveredPoints(straightforward.Points());
        const RoomSetUp& setUp = single.SetUpTraced();
        const unsigned bands = (setUp.Rows() + KeptViews::RowsPerBand - 1) / KeptViews::RowsPerBand;
        // Every third frame follows one cancelled at a band boundary, each
        // boundary in turn, or (every other time) once the workers have
        // traced half of the band after it: the caller waits for that in its
        // draw of the band before, where it holds nothing the workers need.
        const bool afterCancel = ++frames % 3 == 0;
        const unsigned cancelAt = frames / 3 % bands;
        const bool insideBand = frames / 3 % 2 == 1 && cancelAt > 0;
        const unsigned bandRows = std::min(setUp.Rows(), (cancelAt + 1) * KeptViews::RowsPerBand) -
                                  cancelAt * KeptViews::RowsPerBand;
        const std::uint64_t halfway =
            std::uint64_t(setUp.Columns()) * (2 * cancelAt * KeptViews::RowsPerBand + bandRows) / 2;
        for (std::size_t i = 0; i < fast.size(); ++i) {
            KeptViews& kept = fast[i]->kept;
            if (afterCancel) {
                unsigned drawn = 0;
                const auto draw = [&](const PointList&) {
                    if (++drawn != cancelAt || !insideBand || kept.Making() == KeptViews::Made::FromKeptPoints)
                        return;
                    while (fast[i]->pool.Progress() < halfway)
                        std::this_thread::yield();
                };
                const KeptViews::Frame cancelled =
                    kept.Draw(setUp, inputs, draw, [&] { return drawn < cancelAt; });
                // (A view drawn from its kept points is not traced: nothing to cancel.)
                if (cancelled.made != KeptViews::Made::FromKeptPoints && (!cancelled.cancelled || drawn != cancelAt)) {
                    ADD_FAILURE() << where << ": the frame was not cancelled after " << cancelAt << " bands";
                    return false;
                }
            }
            PointList drawn;
            kept.Draw(setUp, inputs,
                      [&](const PointList& band) { drawn.insert(drawn.end(), band.begin(), band.end()); });
            const auto planes = tooLarge ? KeptViews::Planes::TooLarge : KeptViews::Planes::Kept;
            if (!Equal(drawn, reference) || kept.PlanesFor(setUp, inputs) != planes ||
                kept.Bytes() > kept.GetOptions().budgetBytes) {
                ADD_FAILURE() << where << ", " << fast[i]->pool.Threads() << " threads: " << drawn.size()
                              << " points against " << reference.size() << ", kept "
                              << static_cast<int>(kept.PlanesFor(setUp, inputs)) << ", " << kept.Bytes()
                              << " bytes kept in all";
                return false;
            }
        }
        return true;
    }

    const std::string script;
    SceneTracer single;
    EnvSceneTracer environment;
    bool pair = false;
    bool showEnvironment = false;
    bool tooLarge;
    int frames = 0;
    std::vector<std::unique_ptr<Fast>> fast;
};

}  // namespace

class KeptPlanes : public OnEveryInstructionSet {};
ON_EVERY_INSTRUCTION_SET(KeptPlanes);

struct InputRunCase {
    const char* name;
    std::string script;
    int inputs;
    std::size_t budget;  // bytes; 0 for the usual
    bool tooLarge;
};

std::string EightLights()
{
    return ReadWholeFile(GLINTWORK_BENCH_SCENES_DIR "/eight-lights-1280x960.txt") + " screen 160 120";
}

// Thirty-two dim lights on a ring round the room: a batch of pixels has more
// blocked lights than the blocker batch holds, so the rest are shaded one at
// a time.
std::string ThirtyTwoLights()
{
    std::string lights = " light 32";
    for (int j = 0; j < 32; ++j)
        lights += " " + std::to_string(9 * std::cos(j * 0.196)) + " " + std::to_string(j % 5 * 4 - 8) + " " +
                  std::to_string(-10 + 15 * std::sin(j * 0.196));
    for (int j = 0; j < 32; ++j)
        lights += " 0.02 0.02 0.02  0.08 0.07 0.06  0.05 0.05 0.05";
    return DefaultScene() + " screen 80 60" + lights;
}

// The room's y bounds come from single plane points (the 14th point's z and
// the 18th's y): here a ceiling at y = -1, below the eye, over a floor at
// y = -3. A pixel looking down sees both, so a batch of neighbouring pixels
// has more room points than one batch of points holds.
std::string TwoFloors()
{
    return DefaultScene() + " screen 160 120 plane 20\n"
                            "-10 -10 10  -10 10 10  -10 10 -30  -10 -10 -30\n"
                            "10 -10 10  10 10 10  10 10 -30  10 -10 -30\n"
                            "-10 -10 -30  10 -10 -30  10 10 -30  -10 10 -30\n"
                            "-10 10 10  10 10 -3  10 10 -30  -10 10 -30\n"
                            "-10 -10 10  10 -1 10  10 -10 -30  -10 -10 -30\n"
                            "0.1 0.1 0.1  0.4 0.3 0.2  0.3 0.3 0.3  12\n"
                            "0.1 0.1 0.1  0.4 0.3 0.2  0.3 0.3 0.3  12\n"
                            "0.1 0.1 0.1  0.4 0.3 0.2  0.3 0.3 0.3  12\n"
                            "0.2 0.1 0.1  0.5 0.4 0.3  0.6 0.6 0.6  40.5\n"
                            "0.1 0.2 0.1  0.3 0.5 0.3  0.4 0.4 0.4  7.5\n";
}

// Five spheres one inside another, straight ahead: a batch of primary rays
// in the middle rows has all five to test at every pixel, five sphere points
// a pixel.
std::string NestedSpheres()
{
    return DefaultScene() + " screen 160 120 sphere 5  0.5 -1 -20 7  0 -1 -19.5 6.5  0.3 -0.6 -19 6  0 -1 -18.5 5.5  "
                            "0.2 -1 -18 5 "
                            "materialSP 0.3 0 0  0.6 0.1 0.1  0.4 0.4 0.4  20 "
                            "           0 0.3 0  0.1 0.6 0.1  0.4 0.4 0.4  40 "
                            "           0 0 0.3  0.1 0.1 0.6  0.9 0.9 0.9  60 "
                            "           0.2 0.2 0  0.5 0.5 0.1  0.4 0.4 0.4  5 "
                            "           0.1 0.1 0.1  0.3 0.3 0.3  1 1 1  100 ";
}

void RunInputs(const InputRunCase& run)
{
#ifdef GLINTWORK_SHORT_RUNS
    const int shortened = 10;
#else
    const int shortened = 1;
#endif
    const char inputs[] = "ghryutk<>";
    std::mt19937 random(17);
    InputRun window(run.script, run.budget, run.tooLarge);
    ASSERT_TRUE(window.Frame(std::string(run.name) + ", first frame"));
    std::string applied;
    for (int i = 0; i < run.inputs / shortened; ++i) {
        // Moves most often, as a drag or a held key gives them.
        const char input = inputs[random() % 2 ? random() % 2 + 7 : random() % 9];
        applied += input;
        window.Apply(input);
        ASSERT_TRUE(window.Frame(std::string(run.name) + ", after " + applied));
    }
}

TEST_P(KeptPlanes, RandomInputsGiveTheStraightforwardFrames)
{
    const InputRunCase runs[] = {
        {"default scene, 160 x 120", DefaultScene() + " screen 160 120", 300, 0, false},
        {"five spheres cutting walls, bright lights", AwkwardScene(), 300, 0, false},
        {"the same over budget", AwkwardScene(), 20, 400000, true},  // the pixels fit, not the plane points
        // The back wall lies exactly at the depth limit: its hits are left out.
        {"depth limit on the back wall", DefaultScene() + " screen 160 120 raytracedepth -30", 20, 0, false},
        {"room for one view at a time", DefaultScene() + " screen 160 120", 60,
         KeptViews::ExpectedBytes(160 * 120) * 3 / 2, false},
        {"no lights: every point black, shadows none", DefaultScene() + " screen 160 120 light 0", 20, 0, false},
        {"eight lights", EightLights(), 30, 0, false},
        {"eight lights, room for the hit points alone", EightLights(), 30, KeptViews::ExpectedBytes(160 * 120) * 5 / 4,
         false},
        // The single view keeps its powers; the pair's eyes do not.
        {"eight lights, room for one view's powers", EightLights(), 30, KeptViews::ExpectedBytes(160 * 120, 8) * 11 / 10,
         false},
        {"thirty-two lights", ThirtyTwoLights(), 6, 0, false},
        {"a ceiling over a floor, both below the eye", TwoFloors(), 30, 0, false},
        {"five spheres one inside another", NestedSpheres(), 20, 0, false},
    };
    for (const auto& run : runs)
        RunInputs(run);
}

// A large view, over what one view used to keep, is kept all the same (with
// the widest instruction set alone: the sizes change nothing the kernels do).
TEST(KeptPlanes, LargeViewsAreKept)
{
    RunInputs({"default scene, 1280 x 960", DefaultScene() + " screen 1280 960", 1, 0, false});
}

// An input that arrives before the first band starts cancels the frame with
// nothing traced: no time (not the distance between the clock's ends), and
// nothing kept; the next frame is whole.
TEST(KeptPlanes, AFrameCancelledBeforeItsFirstBandTakesNoTime)
{
    SceneTracer tracer;
    SetUpTracer(tracer, DefaultScene() + " screen 80 60");
    BandPool pool(2);
    KeptViews kept(pool);
    std::size_t points = 0;
    const auto count = [&](const PointList& band) { points += band.size(); };
    const KeptViews::Frame cancelled = kept.Draw(tracer.SetUpTraced(), tracer.Inputs(), count, [] { return false; });
    EXPECT_EQ(cancelled.traceMs, 0.0);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(points, 0u);
    EXPECT_EQ(kept.PlanesFor(tracer.SetUpTraced(), tracer.Inputs()), KeptViews::Planes::None);
    const KeptViews::Frame whole = kept.Draw(tracer.SetUpTraced(), tracer.Inputs(), count);
    EXPECT_GT(whole.traceMs, 0.0);
    EXPECT_FALSE(whole.cancelled);
    EXPECT_GT(points, 80u * 60u);
}

// How each frame is made, from the difference between its inputs and what
// is kept; and a frame composed from kept values runs on one worker fewer
// once the view's last frame of its kind (after a move, or with the points
// reused) shows the rest keep up with the drawing, as the last frame drawn
// from kept points measured it (slow here, or as quick as can be); a full
// trace, the first frame of each kind and a drawing not measured yet run on
// every worker. Every frame is the straightforward one.
TEST(KeptPlanes, EachFrameIsMadeAsItsInputsAllow)
{
    using Made = KeptViews::Made;
    struct Case {
        unsigned threads;
        int drawingMs;  // a band, in the frame drawn from kept points; -1: none drawn so
        unsigned first, later;  // the workers of the first frame of a kind, and of those after it
    };
    const std::string script = DefaultScene() + " screen 160 120";
    for (const Case c : {Case{2, 5, 2, 1}, Case{3, 5, 3, 2}, Case{2, 0, 2, 2}, Case{2, -1, 2, 2}, Case{1, 5, 1, 1}}) {
        SCOPED_TRACE(testing::Message() << c.threads << " threads, drawing " << c.drawingMs << " ms a band");
        SceneTracer tracer;
        SetUpTracer(tracer, script);
        BandPool pool(c.threads);
        KeptViews kept(pool);
        // A frame drawn from kept points draws as slowly as asked, or as
        // quickly as can be; the others are compared.
        const auto frame = [&](Made made, unsigned workers, const char* what, int drawingMs = 0) {
            PointList drawn;
            const KeptViews::Frame f = kept.Draw(tracer.SetUpTraced(), tracer.Inputs(), [&](const PointList& band) {
                if (made == Made::FromKeptPoints && drawingMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(drawingMs));
                if (made != Made::FromKeptPoints)
                    drawn.insert(drawn.end(), band.begin(), band.end());
            });
            EXPECT_EQ(f.made, made) << what;
            EXPECT_EQ(f.workers, workers) << what;
            if (made == Made::FromKeptPoints)
                return;
            ReferenceTracer straightforward = Straightforward(script, tracer.Inputs());
            straightforward.Render();
            EXPECT_TRUE(Equal(drawn, WithoutCoveredPoints(straightforward.Points()))) << what;
        };
        frame(Made::Traced, c.threads, "the first trace");
        if (c.drawingMs >= 0)
            frame(Made::FromKeptPoints, 0, "unchanged", c.drawingMs);
        tracer.MoveSpheresLeft();
        frame(Made::Composed, c.first, "the first move");
        tracer.MoveSpheresLeft();
        frame(Made::Composed, c.later, "the second move");
        tracer.ToggleReflections();
        frame(Made::FromKeptPlanes, c.first, "the first switch");
        tracer.ToggleReflections();
        frame(Made::FromKeptPoints, 0, "the switch back, drawn as before it", std::max(c.drawingMs, 0));
        tracer.ToggleColouredShadows();
        frame(Made::FromKeptPlanes, c.later, "the second switch");
        tracer.MoveSpheresLeft();
        frame(Made::Composed, c.later, "a move after the switches");
        kept.SetOptions(KeptViews::Options{false, false, KeptViews::DefaultBudgetBytes});
        frame(Made::Traced, c.threads, "a trace with nothing kept");
    }
}

}  // namespace glintwork
