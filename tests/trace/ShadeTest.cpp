#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "tests/trace/TracerTestScene.h"

namespace glintwork {

TEST(Shade, PlanePatterns)
{
    const float red[] = {1, 0, 0}, yellow[] = {1, 1, 0}, white[] = {1, 1, 1}, cyan[] = {0, 1, 1}, green[] = {0, 1, 0};
    // Walls: red bands strictly inside (-10, -5) and (0, 5). Floor: squares of
    // four units, with truncation toward zero and the remainder taking the
    // dividend's sign. Ceiling: four colours on squares of three units.
    // Coordinates beyond 32 bits do not crash the pattern.
    const struct {
        double x, y, z;
        int plane;
        const float* tint;
    } cases[] = {{0, 2, 0, 0, red},       {0, -7, 0, 1, red},      {0, 7, 0, 2, yellow},     {0, 0, 0, 2, yellow},
                 {0, -10, 0, 0, yellow},  {0, 5, 0, 0, yellow},    {0.5, 0, 3.9, 3, red},    {4.2, 0, -4.9, 3, white},
                 {-0.9, 0, -3.5, 3, red}, {1.5, 0, 1.5, 3, white}, {3, 0, 6, 4, cyan},       {3, 0, 1, 4, red},
                 {1, 0, 3, 4, yellow},    {1, 0, 1, 4, green},     {1e300, 0, NAN, 3, white}};
    ReferenceTracer t = Straightforward(RoomScript());
    for (const auto& c : cases) {
        t.PlanePattern(Vec3(c.x, c.y, c.z), c.plane);
        EXPECT_TRUE(std::equal(c.tint, c.tint + 3, t.PlaneTint())) << c.x << " " << c.y << " " << c.z << " " << c.plane;
    }
}

TEST(Shade, ShadowOnAPlaneCarriesTheBlockersColour)
{
    // Back-wall point (0, 0, -30). Light 1 at (0, 0, -20) is blocked by a
    // sphere at (0, 0, -25) of radius 1; light 2 at (10, 0, -20) is not.
    const std::string wall = "0.25 0.5 0.75  0.5 0.5 0.5  0 0 0  1\n";
    ReferenceTracer t = Straightforward(RoomScript(wall + wall + wall + wall + wall) +
                                        "screen 4 4 raytracedepth -100 "
                                        "sphere 1 0 0 -25 1 materialSP 0.5 0.25 1  0 0 0  0 0 0  10 "
                                        "light 2 0 0 -20  10 0 -20 "
                                        " 0.5 0.5 0.5  1 1 1  1 1 1 "
                                        " 0.25 0.25 0.25  1 0.5 0.25  1 1 1");
    t.TraceRay(Vec3(0, 0, 1));
    ASSERT_GE(t.Points().size(), 1u);
    const PlotRecord& p = t.Points()[0];  // the back wall's, drawn first

    // The blocker is ambient only: its colour is the sum of both lights'
    // ambient products with its own ambient reflectance.
    const double blocker[3] = {0.5 * 0.5 + 0.25 * 0.5, 0.5 * 0.25 + 0.25 * 0.25, 0.5 * 1 + 0.25 * 1};
    const double wallAmbient[3] = {0.25, 0.5, 0.75};
    const double tint[3] = {1, 1, 0};  // y = 0 on a wall: yellow
    const double diffuse2[3] = {1, 0.5, 0.25};
    const double cosine = std::sqrt(0.5);  // light 2 comes in at 45 degrees
    const float got[3] = {p.red, p.green, p.blue};
    for (int c = 0; c < 3; ++c) {
        const double shadowed = 0.5 * wallAmbient[c] + blocker[c];
        const double lit = 0.25 * wallAmbient[c] + tint[c] * diffuse2[c] * 0.5 * cosine;
        EXPECT_NEAR(got[c], shadowed + lit, 1e-6) << c;
    }
}

TEST(Shade, SphereShadowsFollowBothSwitches)
{
    // Sphere 0 at (0, 0, -20) is lit by one light at (0, 0, -5); sphere 1 at
    // (0, 0, -12) sits on the line in between. The drawn point of sphere 0
    // is its far side at z = -25, so the light is blocked there.
    const std::string script = RoomScript() + "screen 4 4 raytracedepth -100 "
                                              "sphere 2 0 0 -20 5  0 0 -12 1 "
                                              "materialSP 0.5 0.5 0.5  0 0 0  0 0 0  1 "
                                              "           1 0.5 0.25  0 0 0  0 0 0  1 "
                                              "light 1 0 0 -5  0.5 0.5 0.5  0 0 0  0 0 0";
    auto shade = [&](bool reflections, bool coloured) {
        ReferenceTracer t = Straightforward(script, RoomView(script, reflections, coloured));
        t.TraceRay(Vec3(0, 0, 1));
        const auto onSphere = [](const PlotRecord& p) { return p.z == -25.0f; };
        EXPECT_EQ(std::count_if(t.Points().begin(), t.Points().end(), onSphere), 1);
        const auto p = std::find_if(t.Points().begin(), t.Points().end(), onSphere);
        return p == t.Points().end() ? PlotRecord{} : *p;
    };
    // Reflections off: the blocked light gives its ambient product alone.
    for (bool coloured : {true, false}) {
        const PlotRecord p = shade(false, coloured);
        EXPECT_EQ(std::tuple(p.red, p.blue), std::tuple(0.25f, 0.25f));
    }
    // Reflections on: the back wall is reflected. That wall point is itself
    // in the shadow of sphere 0 (whose ambient colour there is 0.25), so the
    // reflection adds 0.5 * 0.5 + 0.25 = 0.5 in every channel.
    // Coloured shadows off: a blocked light adds its ambient product + 0.
    const PlotRecord plain = shade(true, false);
    EXPECT_EQ(std::tuple(plain.red, plain.blue), std::tuple(0.25f + 0.5f, 0.25f + 0.5f));
    // Both on: the blocker's colour (its ambient 1, 0.5, 0.25 times 0.5) is added.
    const PlotRecord c = shade(true, true);
    EXPECT_EQ(std::tuple(c.red, c.green, c.blue),
              std::tuple(0.25f + 0.5f + 0.5f, 0.25f + 0.25f + 0.5f, 0.25f + 0.125f + 0.5f));
}

TEST(Shade, ReflectionFacingNoPlaneDrawsNothing)
{
    // Looking along -z at a sphere in front of the eye: the smaller root is
    // the near point, whose normal (0, 0, 1) sends the reflection straight
    // back along +z, which faces no room plane.
    const std::string script = RoomScript() + "screen 4 4 raytracedepth -100 sphere 1 0 0 -3 2";
    for (bool reflections : {true, false}) {
        ReferenceTracer t = Straightforward(script, RoomView(script, reflections));
        t.TraceRay(Vec3(0, 0, -1));
        const auto onSphere = [](const PlotRecord& p) { return p.z != -30.0f; };  // not on the back wall
        EXPECT_EQ(std::count_if(t.Points().begin(), t.Points().end(), onSphere), reflections ? 0 : 1);
    }
}

TEST(Shade, EqualLightsDoubleAndNothingIsClamped)
{
    auto centre = [](const std::string& lights) {
        const std::string wall = "0.75 0.75 0.75  1 1 1  1 1 1  8\n";
        ReferenceTracer t =
            Straightforward(RoomScript(wall + wall + wall + wall + wall) + "screen 4 4 raytracedepth -100 " + lights);
        t.TraceRay(Vec3(0, 0, 1));
        return t.Points().at(0);
    };
    const std::string light = " 0 0 -20 ";
    const std::string colour = " 1 1 1  1 1 1  1 1 1 ";
    const PlotRecord one = centre("light 1" + light + colour);
    const PlotRecord two = centre("light 2" + light + light + colour + colour);
    // Straight on: diffuse and specular factors are both 1; yellow tint.
    EXPECT_EQ(std::tuple(one.red, one.blue), std::tuple(0.75f + 1.0f + 1.0f, 0.75f + 0.0f + 1.0f));
    EXPECT_EQ(std::tuple(two.red, two.blue), std::tuple(2 * one.red, 2 * one.blue));
}

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
    ReferenceTracer t = Straightforward(RoomScript("1 0 0  0 0 0  0 0 0  1\n"
                                                   "0 0 0  0 0 0  0 0 0  1\n"
                                                   "0 1 0  0 0 0  0 0 0  1\n"
                                                   "0 0 0  0 0 0  0 0 0  1\n"
                                                   "0 0 1  0 0 0  0 0 0  1\n") +
                                        "screen 4 4 raytracedepth -100 "
                                        "sphere 1 -4.2333 2.8222 -14.1108 2 materialSP 0 0 0  0 0 0  0 0 0  1 "
                                        "light 1 0 0 -10  0.5 0.5 0.5  0 0 0  0 0 0");
    Vec3 d(0.3, -0.2, 1.0);
    d.Normalize();
    t.TraceRay(d);

    const PointList& p = t.Points();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].z, -30.0f);
    EXPECT_NEAR(p[0].x, -9.0f, 1e-3f);
    EXPECT_NEAR(p[0].y, 6.0f, 1e-3f);
    EXPECT_EQ(p[0].green, 0.5f);
    for (int i = 2; i <= 3; ++i)
        EXPECT_EQ(std::tuple(p[i].x, p[i].y, p[i].z), std::tuple(p[1].x, p[1].y, p[1].z));
    EXPECT_NEAR(p[1].z, -16.0f, 0.05f);
    EXPECT_EQ(p[1].green, 0.0f);
    EXPECT_EQ(p[2].green, 0.5f);
    EXPECT_EQ(p[3].red + p[3].green + p[3].blue, 0.0f);
}

TEST(Render, ColouredShadowSwitchChangesOnlyShadowedSpherePoints)
{
    // Five spheres, some cutting the walls and shadowing each other, three
    // lights, patterned and lit walls.
    const std::string scene = AwkwardScene();
    PointList points[2];
    for (bool coloured : {true, false}) {
        ReferenceTracer t = Straightforward(scene, RoomView(scene, true, coloured));
        t.Render();
        points[coloured ? 0 : 1] = t.Points();
    }
    const PointList &on = points[0], &off = points[1];
    const auto onRoomPlane = [](const PlotRecord& p) {
        auto near = [](float a, float b) { return std::fabs(a - b) < 1e-3f; };
        return near(std::fabs(p.x), 10.0f) || near(std::fabs(p.y), 10.0f) || near(p.z, -30.0f);
    };
    ASSERT_EQ(on.size(), off.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < on.size(); ++i) {
        ASSERT_EQ(on[i].x, off[i].x);
        ASSERT_EQ(on[i].z, off[i].z);
        if (Same(on[i], off[i]))
            continue;
        ++changed;
        EXPECT_FALSE(onRoomPlane(on[i])) << i;
        // Switching the blocker's colour off can only take light away.
        EXPECT_TRUE(off[i].red <= on[i].red && off[i].green <= on[i].green && off[i].blue <= on[i].blue) << i;
    }
    EXPECT_GT(changed, 0u);
    EXPECT_LT(changed, on.size() / 4);
}

}  // namespace glintwork
