#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "tests/trace/TracerTestScene.h"
#include "trace/tracers/EnvSceneTracer.h"
#include "trace/tracers/SceneTracer.h"

namespace glintwork {

// The tracer's arithmetic keeps its order, its signs and its zeros.
TEST(Vec3, ArithmeticKeepsItsOrder)
{
    Vec3 v(3.0, 0.0, 4.0);
    v.Normalize();
    EXPECT_EQ(std::tuple(v.x, v.z), std::tuple(0.6, 0.8));
    Vec3 zero(-0.0, 0.0, -0.0);  // a zero vector becomes fresh positive zeros
    zero.Normalize();
    EXPECT_FALSE(std::signbit(zero.x) || std::signbit(zero.z));
    // Summed left to right: (1e16 + 1) - 1e16 is 0 in double, 1 + (1e16 - 1e16) would be 1.
    EXPECT_EQ(Dot(Vec3(1e16, 1.0, -1e16), Vec3(1.0, 1.0, 1.0)), 0.0);
    for (auto [base, n, power] : {std::tuple{7.5f, 0, 1.0f}, {2.0f, -2, 0.25f}, {3.0f, 5, 243.0f}, {-2.0f, 3, -8.0f}})
        EXPECT_EQ(PowInt(base, n), power) << base << "^" << n;
}

TEST(TracerSetUp, ViewExtentsAndPrimaryRays)
{
    SceneTracer t;
    SetUpTracer(t, RoomScript() + "screen 640 480");
    // tan(50 degrees) * 0.01, with 3.14141 for pi: a little under 50 degrees.
    EXPECT_NEAR(t.top, 0.0119163, 5e-8);
    EXPECT_LT(t.top, static_cast<float>(std::tan(50.0 * M_PI / 180.0) * 0.01));
    EXPECT_NEAR(t.right, 0.0158884, 5e-8);
    EXPECT_EQ(std::tuple(t.bottom, t.left, t.nearZ, t.columns, t.rows),
              std::tuple(-t.top, -t.right, -0.01f, 640u, 480u));
    // A pixel samples its lower left edge; the middle one of an even screen
    // looks straight along the axis.
    const struct {
        unsigned column, row;
        double x, y;
    } pixels[] = {{0, 0, t.left, t.bottom},
                  {639, 479, t.right - 2.0 * t.right / 640.0, t.top - 2.0 * t.top / 480.0},
                  {320, 240, 0.0, 0.0}};
    for (const auto& p : pixels) {
        Vec3 a, b, c;
        t.SetUpPixel(p.row, p.column, a, b, c);
        EXPECT_NEAR(a.x, p.x, 1e-15) << p.column;
        EXPECT_NEAR(b.y, p.y, 1e-15) << p.row;
        EXPECT_EQ(c.z, 0.0099999997764825821);  // the float 0.01, negated twice
        EXPECT_TRUE(std::signbit(c.x));         // 0 * -0.01 is -0
    }
}

TEST(TracerSetUp, RoomFromSingleCoordinates)
{
    // Points 0, 9, 13 and 17 are the only ones read; the ceiling takes the z of
    // point 13 and the back wall is always at -30.
    std::string points;
    for (int i = 0; i < 20; ++i) {
        const int v = i == 0 ? -11 : i == 9 ? 12 : i == 17 ? -13 : 99;
        points += std::to_string(v) + " " + std::to_string(v) + " " + std::to_string(i == 13 ? 7 : v) + " ";
    }
    for (int i = 0; i < 50; ++i)
        points += "0 ";  // five material blocks with exponents
    Scene scene;
    ReadScene(scene, "plane 20 " + points);
    SceneTracer t;
    t.SetRoom(scene);
    const auto& p = t.planePoints;
    EXPECT_EQ(std::tuple(p[0].x, p[1].x, p[2].z, p[3].y, p[4].y), std::tuple(-11.0, 12.0, -30.0, -13.0, 7.0));
    EXPECT_EQ(std::tuple(t.planeNormals[2].z, t.planeNormals[4].y), std::tuple(1.0, -1.0));
}

TEST(TracerSetUp, OwnCopiesOfFiveSpheresMovedInHalfUnitSteps)
{
    SceneTracer t;
    Scene scene;
    ReadScene(scene, RoomScript() + "screen 4 4 raytracedepth -50 light 1 1 2 3 .1 .2 .3 .4 .5 .6 .7 .8 .9 "
                                    "sphere 6 1 2 -10 1  2 2 -10 2  3 2 -10 3  4 2 -10 4  -3.25 2 -10 5  6 2 -10 6 "
                                    "materialSP 1 1 1 1 1 1 1 1 1 1  2 2 2 2 2 2 2 2 2 2  3 3 3 3 3 3 3 3 3 3 "
                                    "4 4 4 4 4 4 4 4 4 4  5 5 5 5 5 5 5 5 5 5  6 6 6 6 6 6 6 6 6 6");
    t.SetUpView(scene, 100.0f, 1.0f, 0.01f);
    t.SetRoom(scene);
    t.LoadScene(scene);
    // Room for five spheres: the sixth is not taken.
    EXPECT_EQ(std::tuple(t.depthLimit, t.sphereCount, t.sphereRadii.size(), t.sphereExponents[4]),
              std::tuple(-50.0f, 5u, std::size_t(5), 5.0));
    EXPECT_EQ(t.planeMaterials.size(), 45u);
    scene.lightColours[8] = 7.0f;  // the tracer does not look at the scene again
    EXPECT_EQ(t.lightColours[8], 0.9f);

    t.MoveSpheresLeft();
    t.MoveSpheresLeft();
    EXPECT_EQ(std::tuple(t.sphereCentres[0].x, t.sphereCentres[4].x), std::tuple(0.0f, -4.25f));
    t.MoveSpheresRight();
    const auto& c = t.sphereCentres[0];
    EXPECT_EQ(std::tuple(c.x, c.y, c.z, c.w), std::tuple(0.5f, 2.0f, -10.0f, 1.0f));
}

TEST(EnvSceneTracer, BendsTheCentralRayStraightBack)
{
    // On a 2 x 2 screen only the last pixel (row 1, column 1) looks along +z.
    // The three corner pixels miss the environment sphere; the central ray,
    // bent straight back, hits only the back wall, at its middle.
    EnvSceneTracer env;
    SetUpTracer(env, RoomScript() + "screen 2 2 raytracedepth -100");
    env.SetEye(Vec3());
    env.Render();
    ASSERT_EQ(env.Points().size(), 1u);
    EXPECT_EQ(std::tuple(env.Points()[0].x, env.Points()[0].y, env.Points()[0].z), std::tuple(0.0f, 0.0f, -30.0f));
}

}  // namespace glintwork
