#include <gtest/gtest.h>

#include <cmath>

#include "tests/trace/TracerTestScene.h"
#include "trace/SceneTracer.h"

TEST(TracerSetUp, ViewExtentsAndPrimaryRays)
{
    SceneTracer t;
    SetUpTracer(t, RoomScript() + "screen 640 480");
    // tan(50 degrees) * 0.01, with 3.14141 for pi: a little under 50 degrees.
    EXPECT_NEAR(t.top, 0.0119163, 5e-8);
    EXPECT_LT(t.top, static_cast<float>(std::tan(50.0 * M_PI / 180.0) * 0.01));
    EXPECT_NEAR(t.right, 0.0158884, 5e-8);
    EXPECT_EQ(t.bottom, -t.top);
    EXPECT_EQ(t.left, -t.right);
    EXPECT_EQ(t.nearZ, -0.01f);
    EXPECT_EQ(t.columns, 640u);
    EXPECT_EQ(t.rows, 480u);

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
        t.column = p.column;
        t.row = p.row;
        t.SetUpPixel(a, b, c);
        EXPECT_NEAR(t.pixelX, p.x, 1e-15) << p.column;
        EXPECT_NEAR(t.pixelY, p.y, 1e-15) << p.row;
        EXPECT_EQ(a.x, t.pixelX);
        EXPECT_EQ(b.y, t.pixelY);
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
    EXPECT_EQ(t.planePoints[0].x, -11.0);
    EXPECT_EQ(t.planePoints[1].x, 12.0);
    EXPECT_EQ(t.planePoints[2].z, -30.0);
    EXPECT_EQ(t.planePoints[3].y, -13.0);
    EXPECT_EQ(t.planePoints[4].y, 7.0);
    EXPECT_EQ(t.planeNormals[2].z, 1.0);
    EXPECT_EQ(t.planeNormals[4].y, -1.0);
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
    EXPECT_EQ(t.depthLimit, -50.0f);
    // Room for five spheres: the sixth is not taken.
    EXPECT_EQ(t.sphereCount, 5u);
    EXPECT_EQ(t.sphereRadii.size(), 5u);
    EXPECT_EQ(t.sphereExponents[4], 5.0);
    EXPECT_EQ(t.planeMaterials.size(), 45u);
    scene.lightColours[8] = 7.0f;  // the tracer does not look at the scene again
    EXPECT_EQ(t.lightColours[8], 0.9f);

    t.MoveSpheresLeft();
    t.MoveSpheresLeft();
    EXPECT_EQ(t.sphereCentres[0].x, 0.0f);
    EXPECT_EQ(t.sphereCentres[4].x, -4.25f);
    t.MoveSpheresRight();
    EXPECT_EQ(t.sphereCentres[0].x, 0.5f);
    EXPECT_EQ(t.sphereCentres[0].y, 2.0f);
    EXPECT_EQ(t.sphereCentres[0].z, -10.0f);
    EXPECT_EQ(t.sphereCentres[0].w, 1.0f);

    t.ToggleReflections();
    t.ToggleColouredShadows();
    EXPECT_FALSE(t.reflectionsOn || t.colouredShadowsOn);
    t.ToggleReflections();
    EXPECT_TRUE(t.reflectionsOn);
}
