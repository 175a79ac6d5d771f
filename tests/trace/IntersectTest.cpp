#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "tests/trace/TracerTestScene.h"

namespace glintwork {

// One primary ray from the eye at the origin along +z (or -0, 0, 1) in a
// room whose back wall is at z = -30: the points it draws, in drawing order
// (the planes first, then the spheres).
TEST(Intersect, PointsOfOneRay)
{
    struct Case {
        const char* what;
        std::string scene;
        bool reflections;
        std::vector<float> z;  // of the points drawn
        float x;               // of the last point
    };
    const std::string room = RoomScript() + "screen 4 4 ";
    const Case cases[] = {
        // b = 40, c = 375, disc = 100, t = (-40 - 10) / 2 = -25; the sphere's
        // reflection (0, 0, -1) faces only the back wall: one sphere point.
        {"the far root along the line", room + "raytracedepth -100 sphere 1 0 0 -20 5", true, {-30.0f, -25.0f}, 0.0f},
        // disc exactly 0: hit at -b / 2; its mirrored ray faces no plane, so
        // it draws only with reflections off.
        {"a tangent line", room + "raytracedepth -100 sphere 1 5 0 -20 5", false, {-30.0f, -20.0f}, 0.0f},
        {"a tangent line, reflections on", room + "raytracedepth -100 sphere 1 5 0 -20 5", true, {-30.0f}, 0.0f},
        {"a miss", room + "raytracedepth -100 sphere 1 6 0 -20 5", true, {-30.0f}, 0.0f},
        // The sphere's point at z = -25 is at the limit; so is the wall.
        {"spheres clipped by depth", room + "raytracedepth -24 sphere 1 0 0 -20 5", true, {}, 0.0f},
        // Room bounds do not apply to spheres.
        {"a sphere outside the room", room + "raytracedepth -100 sphere 1 0 0 -40 2", true, {-30.0f, -42.0f}, 0.0f},
        // The back wall is behind the ray's direction: t = -30, still a hit.
        {"a plane behind the eye", room + "raytracedepth -31", true, {-30.0f}, 0.0f},
        {"a plane at the depth limit", room + "raytracedepth -30", true, {}, 0.0f},
    };
    for (const Case& c : cases) {
        ReferenceTracer t = Straightforward(c.scene, RoomView(c.scene, c.reflections));
        t.TraceRay(Vec3(0, 0, 1));
        const PointList& p = t.Points();
        ASSERT_EQ(p.size(), c.z.size()) << c.what;
        for (std::size_t i = 0; i < p.size(); ++i)
            EXPECT_EQ(p[i].z, c.z[i]) << c.what << ", point " << i;
        if (!p.empty()) {
            EXPECT_EQ(p.back().x, c.x) << c.what;
        }
    }
    // (-0, 0, 1) is parallel to four planes; its dot products are 0 or -0
    // and both count as zero, so only the back wall is traced.
    ReferenceTracer t = Straightforward(room + "raytracedepth -100");
    t.TraceRay(Vec3(-0.0, 0.0, 1.0));
    ASSERT_EQ(t.Points().size(), 1u);
    EXPECT_EQ(t.Points()[0].z, -30.0f);
    EXPECT_FALSE(std::isnan(t.Points()[0].x));
}

TEST(Intersect, RoomFacesIncludeTheirBounds)
{
    const ReferenceTracer t = Straightforward(RoomScript() + "screen 4 4 raytracedepth -25");
    EXPECT_TRUE(t.InsideRoomFace(Vec3(10.0, 10.0, -5.0), 2));  // x = xMax, y = yMax
    EXPECT_FALSE(t.InsideRoomFace(Vec3(10.000001, 0.0, -5.0), 2));
    EXPECT_TRUE(t.InsideRoomFace(Vec3(0.0, -10.0, -30.0), 0));    // z = zMin
    EXPECT_TRUE(t.InsideRoomFace(Vec3(0.0, -10.0, -0.01f), 3));   // z = nearZ exactly
    EXPECT_FALSE(t.InsideRoomFace(Vec3(0.0, -10.0, -0.005), 3));  // in front of the near plane
    EXPECT_FALSE(t.InsideRoomFace(Vec3(0.0, 11.0, -5.0), 1));
    EXPECT_TRUE(t.InsideRoomFace(Vec3(NAN, 0.0, -5.0), 2));  // NaN is never "outside"

    EXPECT_TRUE(t.BeyondDepth(Vec3(0, 0, -25.0)));
    EXPECT_FALSE(t.BeyondDepth(Vec3(0, 0, -24.999)));
    EXPECT_TRUE(t.BeyondDepth(Vec3(0, 0, NAN)));
}

TEST(Intersect, ShadowLinesAndEntryPoints)
{
    const ReferenceTracer t = Straightforward(RoomScript() + "screen 4 4 sphere 1 0 0 -25 1");
    const Vec3 origin(0, 0, -30);
    // The whole line counts: a sphere behind the origin blocks as well.
    EXPECT_TRUE(t.SphereOnLine(origin, Vec3(0, 0, 1), 0));
    EXPECT_TRUE(t.SphereOnLine(origin, Vec3(0, 0, -1), 0));
    EXPECT_FALSE(t.SphereOnLine(origin, Vec3(1, 0, 0), 0));
    // b = -10, c = 24, disc = 4: entry at t = 4.
    const Vec3 entry = t.LineEntry(origin, Vec3(0, 0, 1), 0);
    EXPECT_EQ(entry.z, -26.0);
    // Along -z the smaller root lies behind the origin's direction: t = -6.
    EXPECT_EQ(t.LineEntry(origin, Vec3(0, 0, -1), 0).z, -24.0);
}

}  // namespace glintwork
