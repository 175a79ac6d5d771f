#include <gtest/gtest.h>

#include <cmath>

#include "tests/trace/TracerTestScene.h"
#include "trace/SceneTracer.h"

TEST(TracerSetUp, ViewExtentsFromTheFieldOfView)
{
    SceneTracer t;
    SetUpTracer(t, RoomScript() + "screen 640 480");
    // tan(50 degrees, with 3.14141 for pi) * 0.01
    EXPECT_NEAR(t.top, 0.0119163, 5e-8);
    EXPECT_NEAR(t.right, 0.0158884, 5e-8);
    EXPECT_EQ(t.bottom, -t.top);
    EXPECT_EQ(t.left, -t.right);
    EXPECT_EQ(t.nearZ, -0.01f);
    EXPECT_EQ(t.columns, 640u);
    EXPECT_EQ(t.rows, 480u);
    // 3.14141 instead of pi makes the angle a little smaller than 50 degrees.
    EXPECT_LT(t.top, static_cast<float>(std::tan(50.0 * M_PI / 180.0) * 0.01));
}

TEST(TracerSetUp, RoomFromSingleCoordinates)
{
    SceneTracer t;
    EXPECT_EQ(t.planeNormals[2].z, 1.0);
    EXPECT_EQ(t.planeNormals[4].y, -1.0);
    // Points 0, 9, 13 and 17 are the only ones read; the ceiling takes the z of
    // point 13 and the back wall is always at -30.
    std::string points;
    for (int i = 0; i < 20; ++i) {
        const int v = i == 0 ? -11 : i == 9 ? 12 : i == 17 ? -13 : 99;
        points += std::to_string(v) + " " + std::to_string(v) + " " + std::to_string(i == 13 ? 7 : v) + " ";
    }
    Scene scene;
    for (int i = 0; i < 50; ++i)
        points += "0 ";  // five material blocks with exponents
    ReadScene(scene, "plane 20 " + points);
    t.SetRoom(scene);
    EXPECT_EQ(t.planePoints[0].x, -11.0);
    EXPECT_EQ(t.planePoints[1].x, 12.0);
    EXPECT_EQ(t.planePoints[2].z, -30.0);
    EXPECT_EQ(t.planePoints[3].y, -13.0);
    EXPECT_EQ(t.planePoints[4].y, 7.0);
    EXPECT_EQ(t.planePoints[4].x, 0.0);
    EXPECT_EQ(t.planePoints[4].z, 0.0);
}

TEST(TracerSetUp, OwnCopiesOfTheSceneLists)
{
    SceneTracer t;
    Scene scene;
    ReadScene(scene, RoomScript() + "screen 4 4 raytracedepth -50 light 1 1 2 3 .1 .2 .3 .4 .5 .6 .7 .8 .9 "
                                    "sphere 6 1 2 -10 1  2 2 -10 2  3 2 -10 3  4 2 -10 4  5 2 -10 5  6 2 -10 6 "
                                    "materialSP 1 1 1 1 1 1 1 1 1 1  2 2 2 2 2 2 2 2 2 2  3 3 3 3 3 3 3 3 3 3 "
                                    "4 4 4 4 4 4 4 4 4 4  5 5 5 5 5 5 5 5 5 5  6 6 6 6 6 6 6 6 6 6");
    t.SetUpView(scene, 100.0f, 1.0f, 0.01f);
    t.SetRoom(scene);
    t.LoadScene(scene);
    EXPECT_EQ(t.depthLimit, -50.0f);
    // Room for five spheres: the sixth is not taken.
    EXPECT_EQ(t.sphereCount, 5u);
    EXPECT_EQ(t.sphereRadii.size(), 5u);
    EXPECT_EQ(t.sphereCentres[4].x, 5.0f);
    EXPECT_EQ(t.sphereCentres[4].w, 1.0f);
    EXPECT_EQ(t.sphereExponents[4], 5.0);
    EXPECT_EQ(t.lightColours[8], 0.9f);
    EXPECT_EQ(t.planeMaterials.size(), 45u);
    scene.lightColours[8] = 7.0f;  // the tracer does not look at the scene again
    EXPECT_EQ(t.lightColours[8], 0.9f);
}

TEST(TracerSetUp, MovesAreHalfUnitStepsAlongX)
{
    SceneTracer t;
    SetUpTracer(t, RoomScript() + "screen 4 4 sphere 2 1 2 -10 1  -3.25 0 -20 2");
    t.MoveSpheresLeft();
    t.MoveSpheresLeft();
    EXPECT_EQ(t.sphereCentres[0].x, 0.0f);
    EXPECT_EQ(t.sphereCentres[1].x, -4.25f);
    t.MoveSpheresRight();
    EXPECT_EQ(t.sphereCentres[0].x, 0.5f);
    EXPECT_EQ(t.sphereCentres[0].y, 2.0f);
    EXPECT_EQ(t.sphereCentres[0].z, -10.0f);
    EXPECT_EQ(t.sphereCentres[0].w, 1.0f);

    SceneTracer empty;
    SetUpTracer(empty, RoomScript() + "screen 4 4");
    empty.MoveSpheresRight();
    EXPECT_EQ(empty.sphereCentres[0].x, 0.0f);

    t.ToggleReflections();
    t.ToggleColouredShadows();
    EXPECT_FALSE(t.reflectionsOn);
    EXPECT_FALSE(t.colouredShadowsOn);
    t.ToggleReflections();
    EXPECT_TRUE(t.reflectionsOn);
}

TEST(TracerSetUp, PrimaryRaysSampleThePixelEdges)
{
    SceneTracer t;
    SetUpTracer(t, RoomScript() + "screen 640 480");
    Vec3 a, b, c;
    t.row = 0;
    t.column = 0;
    t.SetUpPixel(a, b, c);
    EXPECT_EQ(t.pixelX, static_cast<double>(t.left));
    EXPECT_EQ(t.pixelY, static_cast<double>(t.bottom));
    EXPECT_EQ(c.z, 0.0099999997764825821);  // the float 0.01, negated twice
    EXPECT_TRUE(std::signbit(c.x));         // 0 * -0.01 is -0

    t.column = 639;
    t.row = 479;
    t.SetUpPixel(a, b, c);
    EXPECT_NEAR(t.pixelX, t.right - 2.0 * t.right / 640.0, 1e-15);
    EXPECT_NEAR(t.pixelY, t.top - 2.0 * t.top / 480.0, 1e-15);
    EXPECT_EQ(a.x, t.pixelX);
    EXPECT_EQ(b.y, t.pixelY);

    // The middle pixel of an even screen looks straight along +z.
    t.column = 320;
    t.row = 240;
    t.SetUpPixel(a, b, c);
    EXPECT_EQ(t.pixelX, 0.0);
    EXPECT_EQ(t.pixelY, 0.0);
}
