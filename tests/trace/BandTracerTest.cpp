#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/trace/TracerTestScene.h"
#include "trace/BandTracer.h"
#include "trace/EnvSceneTracer.h"
#include "trace/SceneTracer.h"

namespace {

bool Same(const PlotRecord& a, const PlotRecord& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.x == b.x && a.y == b.y && a.z == b.z;
}

bool Equal(const PointList& a, const PointList& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), Same);
}

// Drops every point that the next point covers exactly (same position, so the
// same pixel and depth: with the less-or-equal test only the later can show).
PointList WithoutCoveredPoints(const PointList& list)
{
    PointList out;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bool covered = i + 1 < list.size() && list[i].x == list[i + 1].x && list[i].y == list[i + 1].y &&
                             list[i].z == list[i + 1].z;
        if (!covered)
            out.push_back(list[i]);
    }
    return out;
}

std::string DefaultScene()
{
    std::ifstream file(GLINTWORK_EXAMPLES_DIR "/scenescript.txt");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Odd sizes, spheres cutting the walls and each other, five spheres, bright
// lights: the corners where a band split or a dropped point would show.
std::string AwkwardScene()
{
    return RoomScript("0.3 0.2 0.1  0.9 0.8 0.7  0.6 0.6 0.6  7\n"
                      "0.1 0.2 0.3  0.7 0.8 0.9  0.6 0.6 0.6  3\n"
                      "0.2 0.2 0.2  0.5 0.5 0.5  0.2 0.2 0.2  12\n"
                      "0.2 0.3 0.2  0.6 0.6 0.6  0.9 0.9 0.9  40\n"
                      "0.1 0.1 0.1  0.4 0.4 0.4  0.1 0.1 0.1  1\n") +
           "screen 97 71 raytracedepth -29 "
           "sphere 5  -8 -6 -12 4   -5 -5 -14 3   6 3 -25 6   0 9 -18 2.5   2 -1 -9 1.5 "
           "materialSP 0.3 0 0  0.6 0.1 0.1  0.4 0.4 0.4  20 "
           "           0 0.3 0  0.1 0.6 0.1  0.4 0.4 0.4  40 "
           "           0 0 0.3  0.1 0.1 0.6  0.9 0.9 0.9  60 "
           "           0.2 0.2 0  0.5 0.5 0.1  0.4 0.4 0.4  5 "
           "           0.1 0.1 0.1  0.3 0.3 0.3  1 1 1  100 "
           "light 3  0 8 -15   -6 5 -2   7 -8 -28 "
           "  0.3 0.3 0.3  1.2 1.1 1.0  0.9 0.9 0.9 "
           "  0.1 0.1 0.1  0.4 0.4 0.4  0.3 0.3 0.3 "
           "  0.2 0.1 0.1  1.5 0.5 0.5  2 2 2";
}

template <typename Tracer> PointList Banded(const Tracer& tracer, unsigned threads)
{
    BandPool pool(threads);
    BandTracer<Tracer> bands(pool);
    PointList all;
    bands.Render(tracer, [&](const PointList& band) { all.insert(all.end(), band.begin(), band.end()); });
    return all;
}

template <typename Tracer> void CheckBandsAndRuns(const std::string& script, bool reflections, bool coloured)
{
    Tracer tracer;
    SetUpTracer(tracer, script);
    tracer.reflectionsOn = reflections;
    tracer.colouredShadowsOn = coloured;
    tracer.SetEye(Vec3(-0.001, 0, 0));
    tracer.Render();
    const PointList reference = tracer.Points();
    ASSERT_FALSE(reference.empty());

    // Bands on any number of threads join into the one-thread list.
    for (unsigned threads : {1u, 2u, 3u, 7u})
        ASSERT_TRUE(Equal(Banded(tracer, threads), reference)) << threads << " threads";

    // Collapsing runs drops exactly the covered points, nothing else.
    tracer.fastPath = true;
    tracer.Render();
    const PointList collapsed = tracer.Points();
    EXPECT_TRUE(Equal(collapsed, WithoutCoveredPoints(reference)));
    if (reflections) {
        EXPECT_LT(collapsed.size(), reference.size());
    }
    EXPECT_TRUE(Equal(Banded(tracer, 3), collapsed));
}

}  // namespace

TEST(BandTracer, FirstTracerBandsAndRunsMatchTheStraightTrace)
{
    for (bool reflections : {true, false}) {
        for (bool coloured : {true, false}) {
            SCOPED_TRACE(testing::Message() << "reflections " << reflections << " coloured " << coloured);
            CheckBandsAndRuns<SceneTracer>(AwkwardScene(), reflections, coloured);
        }
    }
    CheckBandsAndRuns<SceneTracer>(DefaultScene(), true, true);
}

TEST(BandTracer, EnvironmentTracerBandsAndRunsMatchTheStraightTrace)
{
    CheckBandsAndRuns<EnvSceneTracer>(AwkwardScene(), true, true);
    CheckBandsAndRuns<EnvSceneTracer>(DefaultScene(), true, true);
}

TEST(BandTracer, PoolRunsFramesBackToBack)
{
    BandPool pool(3);
    for (int frame = 0; frame < 50; ++frame) {
        std::vector<int> order;
        std::vector<int> done(37, 0);
        pool.Run(
            37, [&](unsigned, unsigned band) { done[band] = frame + 1; },
            [&](unsigned band) {
                EXPECT_EQ(done[band], frame + 1);
                order.push_back(static_cast<int>(band));
            });
        ASSERT_EQ(order.size(), 37u);
        for (int i = 0; i < 37; ++i)
            ASSERT_EQ(order[i], i);
    }
}
