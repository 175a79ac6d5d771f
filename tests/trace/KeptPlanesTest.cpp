#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <type_traits>

#include "trace/kept/BandTracer.h"
#include "trace/tracers/EnvSceneTracer.h"
#include "trace/tracers/ReferenceTracer.h"
#include "trace/tracers/SceneTracer.h"
#include "tests/trace/TracerTestScene.h"

namespace glintwork {

namespace {

// The views of the window and the inputs that change them, as the window
// applies them to its two tracers; every frame of the fast path, made from
// the values its earlier frames kept, is checked against a full trace of the
// straightforward path, also after a frame cancelled half-way. Views share
// one memory budget: a view over it is traced in full every time, and views
// that fit only one at a time empty each other's slots. The run on two
// threads draws as slowly as can be, so that it composes on one of them.
class InputRun {
public:
    InputRun(const std::string& script, std::size_t budget, bool tooLarge) : tooLarge(tooLarge)
    {
        SetUpTracer(single, script);
        SetUpTracer(environment, script);
        for (unsigned threads : {1u, 2u, 3u}) {
            fast.push_back(std::make_unique<Fast>(threads));
            if (budget != 0)
                fast.back()->kept.budgetBytes = budget;
            if (threads == 2)
                fast.back()->single.drawNsPerPoint = fast.back()->environment.drawNsPerPoint = 1e12;
        }
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
            return Check(environment, Vec3(), where + ", environment");
        if (!pair)
            return Check(single, Vec3(), where + ", single");
        return Check(single, Vec3(-0.001, 0.0, 0.0), where + ", left eye") &&
               Check(single, Vec3(0.001, 0.0, 0.0), where + ", right eye");
    }

private:
    struct Fast {
        explicit Fast(unsigned threads) : pool(threads), single(pool), environment(pool) {}
        BandPool pool;
        BandTracer<SceneTracer> single;
        BandTracer<EnvSceneTracer> environment;
        KeptViews kept;
        BandTracer<SceneTracer>& For(const SceneTracer&) { return single; }
        BandTracer<EnvSceneTracer>& For(const EnvSceneTracer&) { return environment; }
    };

    // The other views drawn with the one shown, as the window counts them.
    unsigned Companions() const { return pair && !showEnvironment ? 1u : 0u; }

    template <typename Tracer> bool Check(Tracer& tracer, const Vec3& eye, const std::string& where)
    {
        tracer.SetEye(eye);
        ReferenceTracer straightforward(tracer);
        straightforward.Render();
        const PointList reference = WithoutCoveredPoints(straightforward.Points());
        // Every third frame follows one cancelled after a few bands, as an
        // input during a frame cancels it: what that frame kept is not used.
        const bool afterCancel = ++frames % 3 == 0;
        for (std::size_t i = 0; i < fast.size(); ++i) {
            if (afterCancel) {
                int bandsLeft = 3;
                fast[i]->For(tracer).Render(
                    tracer, [](const PointList&) {}, &fast[i]->kept.For(tracer, Companions()),
                    [&] { return bandsLeft-- > 0; });
                if (!fast[i]->For(tracer).Cancelled()) {
                    ADD_FAILURE() << where << ": the frame was not cancelled";
                    return false;
                }
            }
            PointList drawn;
            fast[i]->For(tracer).Render(
                tracer, [&](const PointList& band) { drawn.insert(drawn.end(), band.begin(), band.end()); },
                &fast[i]->kept.For(tracer, Companions()));
            const auto state = tooLarge ? KeptView::State::TooLarge : KeptView::State::Kept;
            const KeptViews& kept = fast[i]->kept;
            if (!Equal(drawn, reference) || fast[i]->kept.For(tracer, Companions()).state != state ||
                kept.Bytes() > kept.budgetBytes) {
                ADD_FAILURE() << where << ", " << fast[i]->pool.Threads() << " threads: " << drawn.size()
                              << " points against " << reference.size() << ", kept "
                              << static_cast<int>(fast[i]->kept.For(tracer, Companions()).state) << ", " << kept.Bytes()
                              << " bytes kept in all";
                return false;
            }
        }
        return true;
    }

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
         KeptView::ExpectedBytes(160 * 120) * 3 / 2, false},
        {"no lights: every point black, shadows none", DefaultScene() + " screen 160 120 light 0", 20, 0, false},
        {"eight lights", EightLights(), 30, 0, false},
        {"eight lights, room for the hit points alone", EightLights(), 30, KeptView::ExpectedBytes(160 * 120) * 5 / 4,
         false},
        // The single view keeps its powers; the pair's eyes do not.
        {"eight lights, room for one view's powers", EightLights(), 30, KeptView::ExpectedBytes(160 * 120, 8) * 11 / 10,
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

// A frame composed from kept values runs on one worker fewer once the view's
// last frame of its kind (after a move, or with the points reused) shows the
// rest keep up with the drawing; a full trace, the first frame of each kind
// and a drawing of unknown cost run on every worker.
// An input that arrives before the first band starts cancels the frame with
// nothing traced: no time (not the distance between the clock's ends), and
// nothing kept; the next frame is whole.
TEST(KeptPlanes, AFrameCancelledBeforeItsFirstBandTakesNoTime)
{
    SceneTracer tracer;
    SetUpTracer(tracer, DefaultScene() + " screen 80 60");
    BandPool pool(2);
    BandTracer<SceneTracer> bands(pool);
    KeptView kept;
    std::size_t points = 0;
    const auto count = [&](const PointList& band) { points += band.size(); };
    EXPECT_EQ(bands.Render(tracer, count, &kept, [] { return false; }), 0.0);
    EXPECT_TRUE(bands.Cancelled());
    EXPECT_EQ(points, 0u);
    EXPECT_EQ(kept.state, KeptView::State::Empty);
    EXPECT_GT(bands.Render(tracer, count, &kept), 0.0);
    EXPECT_FALSE(bands.Cancelled());
    EXPECT_GT(points, 80u * 60u);
}

TEST(KeptPlanes, ComposingLeavesAProcessorToADrawingThatKeepsUp)
{
    struct Case {
        unsigned threads;
        double drawNsPerPoint;
        unsigned first, later;  // the workers of the first frame of a kind, and of those after it
    };
    for (const Case c :
         {Case{2, 1e12, 2, 1}, Case{3, 1e12, 3, 2}, Case{2, 1e-6, 2, 2}, Case{2, 0.0, 2, 2}, Case{1, 1e12, 1, 1}}) {
        SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.drawNsPerPoint << " ns a point");
        SceneTracer tracer;
        SetUpTracer(tracer, DefaultScene() + " screen 160 120");
        BandPool pool(c.threads);
        BandTracer<SceneTracer> bands(pool);
        bands.drawNsPerPoint = c.drawNsPerPoint;
        KeptView kept;
        const auto none = [](const PointList&) {};
        bands.Render(tracer, none, &kept);
        EXPECT_EQ(bands.LastWorkers(), c.threads) << "the first trace";
        const auto frameAfter = [&](void (SceneTracer::*input)(), unsigned workers, const char* what) {
            (tracer.*input)();
            bands.Render(tracer, none, &kept);
            EXPECT_EQ(bands.LastWorkers(), workers) << what;
        };
        frameAfter(&SceneTracer::MoveSpheresLeft, c.first, "the first move");
        EXPECT_GT(kept.movedNsPerPoint, 0.0);
        frameAfter(&SceneTracer::MoveSpheresRight, c.later, "the second move");
        frameAfter(&SceneTracer::ToggleReflections, c.first, "the first switch");
        EXPECT_GT(kept.reusedNsPerPoint, 0.0);
        frameAfter(&SceneTracer::ToggleReflections, c.later, "the second switch");
        frameAfter(&SceneTracer::MoveSpheresLeft, c.later, "a move after the switches");
        bands.Render(tracer, none);
        EXPECT_EQ(bands.LastWorkers(), c.threads) << "a trace with nothing kept";
    }
}

}  // namespace glintwork
