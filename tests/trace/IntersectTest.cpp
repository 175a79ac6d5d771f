#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "tests/trace/TracerTestScene.h"

namespace glintwork {

TEST(Intersect, SphereHitIsTheFarRootAlongThePrimaryLine)
{
    ReferenceTracer t = Straightforward(RoomScript() + "screen 4 4 raytracedepth -100 sphere 1 0 0 -20 5");
    Aim(t, Vec3(0, 0, 1));
    // b = 40, c = 375, disc = 100, t = (-40 - 10) / 2 = -25
    t.ShadeSphere(Vec3(0, 0, -20), 0);
    EXPECT_EQ(t.hitPoint.z, -25.0);
    EXPECT_EQ(t.normal.z, -1.0);
    // The reflected direction (0, 0, -1) faces only the back wall: one point.
    // The reflected ray is left scaled by that wall's t = 5.
    EXPECT_EQ(t.reflectDir.z, -5.0);
    ASSERT_EQ(t.Points().size(), 1u);
    EXPECT_EQ(t.Points()[0].z, -25.0f);
    EXPECT_EQ(t.rayDir.z, 1.0);  // restored to the primary direction

    // Tangent line (disc exactly 0): hit at -b / 2.
    Aim(t, Vec3(0, 0, 1));
    t.sphereRadii[0] = 5.0f;
    t.ShadeSphere(Vec3(5, 0, -20), 0);
    EXPECT_EQ(std::tuple(t.hitPoint.z, t.hitPoint.x), std::tuple(-20.0, 0.0));

    // A miss draws nothing and leaves the ray alone.
    Aim(t, Vec3(0, 0, 1));
    t.ShadeSphere(Vec3(6, 0, -20), 0);
    EXPECT_TRUE(t.Points().empty());
}

TEST(Intersect, SpheresAreClippedByDepthOnly)
{
    ReferenceTracer t = Straightforward(RoomScript() + "screen 4 4 raytracedepth -24 sphere 1 0 0 -20 5");
    Aim(t, Vec3(0, 0, 1));
    t.ShadeSphere(Vec3(0, 0, -20), 0);  // hit at z = -25, at or below the limit
    EXPECT_TRUE(t.Points().empty());
    EXPECT_EQ(t.rayDir.z, 1.0);

    // Room bounds do not apply to spheres: one outside the room still draws.
    t = Straightforward(RoomScript() + "screen 4 4 raytracedepth -100 sphere 1 0 0 -40 2");
    Aim(t, Vec3(0, 0, 1));
    t.ShadeSphere(Vec3(0, 0, -40), 0);
    EXPECT_EQ(t.hitPoint.z, -42.0);
    EXPECT_EQ(t.Points().size(), 1u);
}

TEST(Intersect, PlaneHitsOnEitherSideOfTheEye)
{
    ReferenceTracer t = Straightforward(RoomScript() + "screen 4 4 raytracedepth -31");
    Aim(t, Vec3(0, 0, 1));
    // The back wall is behind the ray's direction: t = -30, still a hit.
    t.TracePlane(t.planePoints[2], t.planeNormals[2], 2);
    EXPECT_EQ(t.hitPoint.z, -30.0);
    ASSERT_EQ(t.Points().size(), 1u);
    EXPECT_EQ(t.rayDir.z, 1.0);

    // Depth limit -30: the wall at z = -30 is hidden and the ray stays scaled.
    t.depthLimit = -30.0f;
    Aim(t, Vec3(0, 0, 1));
    t.TracePlane(t.planePoints[2], t.planeNormals[2], 2);
    EXPECT_TRUE(t.Points().empty());
    EXPECT_EQ(t.rayDir.z, -30.0);
}

TEST(Intersect, RoomFacesIncludeTheirBounds)
{
    ReferenceTracer t = Straightforward(RoomScript() + "screen 4 4");
    EXPECT_TRUE(t.InsideRoomFace(Vec3(10.0, 10.0, -5.0), 2));  // x = xMax, y = yMax
    EXPECT_FALSE(t.InsideRoomFace(Vec3(10.000001, 0.0, -5.0), 2));
    EXPECT_TRUE(t.InsideRoomFace(Vec3(0.0, -10.0, -30.0), 0));    // z = zMin
    EXPECT_TRUE(t.InsideRoomFace(Vec3(0.0, -10.0, -0.01f), 3));   // z = nearZ exactly
    EXPECT_FALSE(t.InsideRoomFace(Vec3(0.0, -10.0, -0.005), 3));  // in front of the near plane
    EXPECT_FALSE(t.InsideRoomFace(Vec3(0.0, 11.0, -5.0), 1));
    EXPECT_TRUE(t.InsideRoomFace(Vec3(NAN, 0.0, -5.0), 2));  // NaN is never "outside"

    t.depthLimit = -25.0f;
    EXPECT_TRUE(t.BeyondDepth(Vec3(0, 0, -25.0)));
    EXPECT_FALSE(t.BeyondDepth(Vec3(0, 0, -24.999)));
    EXPECT_TRUE(t.BeyondDepth(Vec3(0, 0, NAN)));
}

TEST(Intersect, RaysParallelToAPlaneSkipIt)
{
    ReferenceTracer t = Straightforward(RoomScript() + "screen 4 4 raytracedepth -100");
    // (-0, 0, 1) is parallel to four planes; its dot products are 0 or -0 and
    // both count as zero, so only the back wall is traced.
    Aim(t, Vec3(-0.0, 0.0, 1.0));
    t.TraceRoomAndSpheres();
    ASSERT_EQ(t.Points().size(), 1u);
    EXPECT_EQ(t.Points()[0].z, -30.0f);
    EXPECT_FALSE(std::isnan(t.Points()[0].x));
}

TEST(Intersect, ShadowLinesAndEntryPoints)
{
    ReferenceTracer t = Straightforward(RoomScript() + "screen 4 4 sphere 1 0 0 -25 1");
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
