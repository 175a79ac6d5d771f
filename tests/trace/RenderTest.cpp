#include <gtest/gtest.h>

#include <cmath>

#include "tests/trace/TracerTestScene.h"
#include "trace/SceneTracer.h"

namespace {

bool OnRoomPlane(const PlotRecord& p)
{
    auto near = [](float a, float b) { return std::fabs(a - b) < 1e-3f; };
    return near(std::fabs(p.x), 10.0f) || near(std::fabs(p.y), 10.0f) || near(p.z, -30.0f);
}

PointList PlanePoints(const PointList& all)
{
    PointList out;
    for (const PlotRecord& p : all)
        if (OnRoomPlane(p))
            out.push_back(p);
    return out;
}

bool Same(const PlotRecord& a, const PlotRecord& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.x == b.x && a.y == b.y && a.z == b.z;
}

// Three spheres away from the walls, the middle one shadowing the others
// under a light straight above it; two lights; patterned, lit walls.
const std::string kShadowScene = RoomScript("0.2 0.2 0.2  0.6 0.6 0.6  0.3 0.3 0.3  10\n"
                                            "0.2 0.2 0.2  0.6 0.6 0.6  0.3 0.3 0.3  10\n"
                                            "0.1 0.1 0.1  0.5 0.5 0.5  0.1 0.1 0.1  5\n"
                                            "0.2 0.2 0.2  0.6 0.6 0.6  0.3 0.3 0.3  30\n"
                                            "0.1 0.1 0.1  0.4 0.4 0.4  0.05 0.05 0.05  2\n") +
                                 "screen 64 48 raytracedepth -100 "
                                 "sphere 3  0 0 -15 2   0 -5 -15 2.5   4 2 -20 2 "
                                 "materialSP 0.3 0 0  0.6 0.1 0.1  0.4 0.4 0.4  20 "
                                 "           0 0.3 0  0.1 0.6 0.1  0.4 0.4 0.4  40 "
                                 "           0 0 0.3  0.1 0.1 0.6  0.4 0.4 0.4  60 "
                                 "light 2  0 8 -15   -6 5 -2 "
                                 "  0.2 0.2 0.2  0.7 0.7 0.7  0.5 0.5 0.5 "
                                 "  0.1 0.1 0.1  0.4 0.4 0.4  0.3 0.3 0.3";

PointList RenderWith(bool reflections, bool colouredShadows)
{
    SceneTracer t;
    SetUpTracer(t, kShadowScene);
    t.reflectionsOn = reflections;
    t.colouredShadowsOn = colouredShadows;
    t.SetEye(Vec3());
    t.Render();
    return t.Points();
}

}  // namespace

TEST(Render, OrderWithinOnePixel)
{
    // The primary line along d = (0.3, -0.2, 1) (normalised) meets the back
    // wall at about (-9, 6, -30); every other plane rejects its hit. A sphere
    // centred near -15 d is drawn at its far side, where the reflection runs
    // along about -d: it faces the left wall, the back wall and the ceiling,
    // so the sphere point is plotted three times at one position. The left
    // wall's reflected point lies beyond the back wall (rejected: the colour
    // stays 0), the back wall's is accepted (green); the floor, which the
    // reflection does not face, resets the colour to 0, so the ceiling's
    // rejected point plots black.
    SceneTracer t;
    SetUpTracer(t, RoomScript("1 0 0  0 0 0  0 0 0  1\n"
                              "0 0 0  0 0 0  0 0 0  1\n"
                              "0 1 0  0 0 0  0 0 0  1\n"
                              "0 0 0  0 0 0  0 0 0  1\n"
                              "0 0 1  0 0 0  0 0 0  1\n") +
                       "screen 4 4 raytracedepth -100 "
                       "sphere 1 -4.2333 2.8222 -14.1108 2 materialSP 0 0 0  0 0 0  0 0 0  1 "
                       "light 1 0 0 -10  0.5 0.5 0.5  0 0 0  0 0 0");
    Vec3 d(0.3, -0.2, 1.0);
    d.Normalize();
    t.SetEye(Vec3());
    t.rayDir = d;
    t.primaryDir = d;
    t.TraceRoomAndSpheres();

    const PointList& p = t.Points();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].z, -30.0f);
    EXPECT_NEAR(p[0].x, -9.0f, 1e-3f);
    EXPECT_NEAR(p[0].y, 6.0f, 1e-3f);
    EXPECT_EQ(p[0].green, 0.5f);
    for (int i = 2; i <= 3; ++i) {
        EXPECT_EQ(p[i].x, p[1].x);
        EXPECT_EQ(p[i].y, p[1].y);
        EXPECT_EQ(p[i].z, p[1].z);
    }
    EXPECT_NEAR(p[1].z, -16.0f, 0.05f);
    EXPECT_EQ(p[1].green, 0.0f);
    EXPECT_EQ(p[2].green, 0.5f);
    EXPECT_EQ(p[3].red + p[3].green + p[3].blue, 0.0f);
}

TEST(Render, ColouredShadowSwitchChangesOnlyShadowedSpherePoints)
{
    const PointList on = RenderWith(true, true);
    const PointList off = RenderWith(true, false);
    ASSERT_EQ(on.size(), off.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < on.size(); ++i) {
        ASSERT_EQ(on[i].x, off[i].x);
        ASSERT_EQ(on[i].z, off[i].z);
        if (Same(on[i], off[i]))
            continue;
        ++changed;
        EXPECT_FALSE(OnRoomPlane(on[i])) << i;
        // Switching the blocker's colour off can only take light away.
        EXPECT_LE(off[i].red, on[i].red);
        EXPECT_LE(off[i].green, on[i].green);
        EXPECT_LE(off[i].blue, on[i].blue);
    }
    EXPECT_GT(changed, 0u);
    EXPECT_LT(changed, on.size() / 4);
}

TEST(Render, ReflectionSwitchLeavesThePlanesAlone)
{
    const PointList on = RenderWith(true, true);
    const PointList off = RenderWith(false, true);
    EXPECT_NE(on.size(), off.size());
    const PointList planesOn = PlanePoints(on);
    const PointList planesOff = PlanePoints(off);
    ASSERT_EQ(planesOn.size(), planesOff.size());
    ASSERT_GT(planesOn.size(), 64u * 48u / 2);
    for (std::size_t i = 0; i < planesOn.size(); ++i)
        ASSERT_TRUE(Same(planesOn[i], planesOff[i])) << i;
    // With reflections off every sphere hit is plotted exactly once.
    EXPECT_LT(off.size() - planesOff.size(), on.size() - planesOn.size());
}

TEST(Render, RenderingTwiceGivesTheSameListAndMovesShiftSpheres)
{
    SceneTracer t;
    SetUpTracer(t, kShadowScene);
    t.SetEye(Vec3());
    t.Render();
    const PointList first = t.Points();
    EXPECT_EQ(t.row, 48u);
    EXPECT_EQ(t.column, 64u);
    t.Render();
    ASSERT_EQ(first.size(), t.Points().size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), t.Points().begin(), Same));

    // G then H: back to the identical frame.
    t.MoveSpheresLeft();
    t.Render();
    EXPECT_FALSE(first.size() == t.Points().size() && std::equal(first.begin(), first.end(), t.Points().begin(), Same));
    t.MoveSpheresRight();
    t.Render();
    ASSERT_EQ(first.size(), t.Points().size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), t.Points().begin(), Same));
}
