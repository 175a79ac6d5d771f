#include <gtest/gtest.h>

#include <sstream>

#include "tests/trace/TracerTestScene.h"
#include "trace/EnvSceneTracer.h"
#include "trace/SceneTracer.h"

TEST(EnvSceneTracer, BendsTheCentralRayStraightBack)
{
    // On a 2 x 2 screen only the last pixel (row 1, column 1) looks along +z;
    // it is also the last one traced, so its working values remain.
    EnvSceneTracer env;
    SetUpTracer(env, RoomScript() + "screen 2 2 raytracedepth -100");
    env.SetEye(Vec3());
    env.Render();
    EXPECT_EQ(env.envHitPoint.z, -24.0);
    EXPECT_EQ(env.envHitPoint.x, 0.0);
    EXPECT_EQ(env.envDirUnit.z, 1.0);
    EXPECT_EQ(env.primaryDir.z, -1.0);
    EXPECT_EQ(env.envDir.z, 1.0);  // restored from the unit direction

    // The three corner pixels look more than 24 degrees off the axis and miss
    // the environment sphere; the bent central ray hits only the back wall.
    ASSERT_EQ(env.Points().size(), 1u);
    EXPECT_EQ(env.Points()[0].z, -30.0f);

    SceneTracer plain;
    SetUpTracer(plain, RoomScript() + "screen 2 2 raytracedepth -100");
    plain.SetEye(Vec3());
    plain.Render();
    EXPECT_GT(plain.Points().size(), 3u);
}
