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
}

TEST(TracerSetUp, ViewExtentsAndPrimaryRays)
{
    const auto t = SetUpOf(RoomScript() + "screen 640 480");
    // tan(50 degrees) * 0.01, with 3.14141 for pi: a little under 50 degrees.
    EXPECT_NEAR(t->Top(), 0.0119163, 5e-8);
    EXPECT_LT(t->Top(), static_cast<float>(std::tan(50.0 * M_PI / 180.0) * 0.01));
    EXPECT_NEAR(t->Right(), 0.0158884, 5e-8);
    EXPECT_EQ(std::tuple(t->Bottom(), t->Left(), t->NearZ(), t->Columns(), t->Rows()),
              std::tuple(-t->Top(), -t->Right(), -0.01f, 640u, 480u));
    // A pixel samples its lower left edge; the middle one of an even screen
    // looks straight along the axis.
    const struct {
        unsigned column, row;
        double x, y;
    } pixels[] = {{0, 0, t->Left(), t->Bottom()},
                  {639, 479, t->Right() - 2.0 * t->Right() / 640.0, t->Top() - 2.0 * t->Top() / 480.0},
                  {320, 240, 0.0, 0.0}};
    for (const auto& p : pixels) {
        Vec3 a, b, c;
        t->SetUpPixel(p.row, p.column, a, b, c);
        EXPECT_NEAR(a.x, p.x, 1e-15) << p.column;
        EXPECT_NEAR(b.y, p.y, 1e-15) << p.row;
        EXPECT_EQ(a.x, t->ColumnA(0)[p.column]);
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
    const auto t = SetUpOf("screen 4 4 plane 20 " + points);
    EXPECT_EQ(std::tuple(t->PlanePoint(0).x, t->PlanePoint(1).x, t->PlanePoint(2).z, t->PlanePoint(3).y,
                         t->PlanePoint(4).y),
              std::tuple(-11.0, 12.0, -30.0, -13.0, 7.0));
    EXPECT_EQ(std::tuple(t->PlaneNormal(2).z, t->PlaneNormal(4).y), std::tuple(1.0, -1.0));
}

TEST(TracerSetUp, FiveSpheresMovedInHalfUnitSteps)
{
    SceneTracer t;
    SetUpTracer(t, RoomScript() + "screen 4 4 raytracedepth -50 light 1 1 2 3 .1 .2 .3 .4 .5 .6 .7 .8 .9 "
                                  "sphere 6 1 2 -10 1  2 2 -10 2  3 2 -10 3  4 2 -10 4  -3.25 2 -10 5  6 2 -10 6 "
                                  "materialSP 1 1 1 1 1 1 1 1 1 1  2 2 2 2 2 2 2 2 2 2  3 3 3 3 3 3 3 3 3 3 "
                                  "4 4 4 4 4 4 4 4 4 4  5 5 5 5 5 5 5 5 5 5  6 6 6 6 6 6 6 6 6 6");
    // Room for five spheres: the sixth is not taken.
    EXPECT_EQ(std::tuple(t.SetUpTraced().DepthLimit(), t.SetUpTraced().SphereCount(), t.Inputs().sphereCount),
              std::tuple(-50.0f, 5u, 5u));
    t.MoveSpheresLeft();
    t.MoveSpheresLeft();
    EXPECT_EQ(std::tuple(t.Inputs().sphereCentres[0].x, t.Inputs().sphereCentres[4].x), std::tuple(0.0f, -4.25f));
    t.MoveSpheresRight();
    const auto& c = t.Inputs().sphereCentres[0];
    EXPECT_EQ(std::tuple(c.x, c.y, c.z, c.w), std::tuple(0.5f, 2.0f, -10.0f, 1.0f));
}

// The fast path's set-up and the straightforward tracer's own give the same
// points: every input the set-up reads changes the picture in these scenes
// (a room bounded by plane points 0, 9, 13 and 17 of four different values,
// each plane with its own material and exponent, an odd screen whose aspect
// is not 4:3, a depth limit in the room, six spheres of which five are
// traced, lights of three colours), both views.
TEST(TracerSetUp, TheFastSetUpTracesAsTheStraightforwardOne)
{
    std::string room = "plane 20\n";
    for (int i = 0; i < 20; ++i) {
        const int x = i == 0 ? -7 : i == 9 ? 9 : 1, y = i == 17 ? -6 : 2, z = i == 13 ? 8 : -3;
        room += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + "\n";
    }
    room += "0.3 0.1 0.1  0.6 0.2 0.2  0.3 0.3 0.3  5\n"
            "0.1 0.3 0.1  0.2 0.6 0.2  0.5 0.5 0.5  12\n"
            "0.1 0.1 0.3  0.2 0.2 0.6  0.2 0.2 0.2  30\n"
            "0.2 0.2 0.1  0.5 0.5 0.3  0.6 0.6 0.6  40.5\n"
            "0.1 0.2 0.2  0.3 0.5 0.5  0.4 0.4 0.4  3\n";
    const std::string scenes[] = {
        AwkwardScene(),
        room + "screen 83 61 raytracedepth -27 "
               "sphere 6  -3 -2 -12 2   4 1 -18 3   0 5 -9 1.5   -5 3 -22 2.5   2 -4 -7 1   0 0 -15 9 "
               "materialSP 0.3 0 0  0.6 0.1 0.1  0.4 0.4 0.4  20   0 0.3 0  0.1 0.6 0.1  0.4 0.4 0.4  40 "
               "           0 0 0.3  0.1 0.1 0.6  0.9 0.9 0.9  60   0.2 0.2 0  0.5 0.5 0.1  0.4 0.4 0.4  5 "
               "           0.1 0.1 0.1  0.3 0.3 0.3  1 1 1  100    0.5 0.5 0.5  0.5 0.5 0.5  0.5 0.5 0.5  2 "
               "light 2  -2 6 -10   5 -3 -2   0.3 0.2 0.1  0.9 0.8 0.7  0.6 0.6 0.6   0.1 0.2 0.3  0.4 0.5 0.6  0.7 0.7 0.7",
    };
    for (const std::string& scene : scenes) {
        SceneTracer single;
        EnvSceneTracer environment;
        const auto setUp = SetUpOf(scene);
        single.SetUp(setUp);
        environment.SetUp(setUp);
        for (const ViewInputs& inputs : {single.Inputs(), environment.Inputs()}) {
            ReferenceTracer straightforward = Straightforward(scene, inputs);
            straightforward.Render();
            const PointList fast = inputs.kind == ViewInputs::Kind::Environment ? environment.Render() : single.Render();
            EXPECT_GT(fast.size(), 100u);
            EXPECT_TRUE(Equal(fast, WithoutCoveredPoints(straightforward.Points())))
                << scene.substr(scene.size() - 40) << (inputs.kind == ViewInputs::Kind::Environment ? ", environment" : "");
        }
    }
}

TEST(EnvSceneTracer, BendsTheCentralRayStraightBack)
{
    // On a 2 x 2 screen only the last pixel (row 1, column 1) looks along +z.
    // The three corner pixels miss the environment sphere; the central ray,
    // bent straight back, hits only the back wall, at its middle.
    EnvSceneTracer env;
    SetUpTracer(env, RoomScript() + "screen 2 2 raytracedepth -100");
    const PointList points = env.Render();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(std::tuple(points[0].x, points[0].y, points[0].z), std::tuple(0.0f, 0.0f, -30.0f));
}

}  // namespace glintwork
