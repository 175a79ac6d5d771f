#include <gtest/gtest.h>

#include "trace/BandTracer.h"
#include "trace/EnvSceneTracer.h"
#include "trace/SceneTracer.h"
#include "tests/trace/TracerTestScene.h"

namespace {

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
    EXPECT_TRUE(!reflections || collapsed.size() < reference.size());
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
