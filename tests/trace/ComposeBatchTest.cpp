#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "trace/kernels/ComposeBatch.h"
#include "tests/trace/TracerTestScene.h"

namespace glintwork {

namespace {


// The shadow tests of a frame composed from kept values, with their chunks
// culled, give the scalar test's answer at every point and light, for
// chunks far from and near a sphere's shadow (inside, on and just outside
// the culling margin), with a light in a sphere and one on a point.
class ComposeBatch : public OnEveryInstructionSet {};
ON_EVERY_INSTRUCTION_SET(ComposeBatch);

TEST_P(ComposeBatch, ShadowMasksEqualTheScalarTests)
{
    const std::string script = RoomScript() + "screen 4 4 sphere 3  0 0 -10 5   -6 2 -25 4   3 2 0 2";
    const SphereSet spheres = SetUpOf(script)->Spheres(RoomView(script));
    const ReferenceTracer straightforward = Straightforward(script);
    const std::vector<float> lights = {4.0f, 9.0f, -3.0f, -8.0f, -9.0f, -29.0f, 0.0f, 1.0f, -10.0f, 7.0f, 7.0f, 7.0f};
    const unsigned lightCount = static_cast<unsigned>(lights.size() / 3);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    // Chunks of nearby points, as a band has them: clusters around random
    // points, and clusters across a line from a light that passes a sphere
    // at a relative distance `base` from its surface, each point a little
    // nearer or farther.
    std::vector<Vec3> points;
    for (double spread : {0.01, 0.3, 3.0}) {
        for (int i = 0; i < 10; ++i) {
            const Vec3 centre(10.0 * unit(random), 10.0 * unit(random), -10.0 + 20.0 * unit(random));
            for (std::size_t n = 0; n < ShadowChunk; ++n)
                points.push_back(centre + Scaled(Vec3(unit(random), unit(random), unit(random)), spread));
        }
    }
    for (unsigned j = 0; j < 2; ++j) {
        const Vec3 light(lights[3 * j], lights[3 * j + 1], lights[3 * j + 2]);
        for (unsigned m = 0; m < 3; ++m) {
            const Vec3 toCentre(spheres.centre[m][0] - light.x, spheres.centre[m][1] - light.y,
                                spheres.centre[m][2] - light.z);
            const double length = std::sqrt(Dot(toCentre, toCentre)), radius = std::sqrt(spheres.radiusSquared[m]);
            const Vec3 r(unit(random), unit(random), unit(random)), &t = toCentre;  // across: t x r
            Vec3 across(t.y * r.z - t.z * r.y, t.z * r.x - t.x * r.z, t.x * r.y - t.y * r.x);
            across.Normalize();
            for (double base : {-1e-3, 0.0, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 0.1}) {
                for (std::size_t n = 0; n < ShadowChunk; ++n) {
                    const double distance = radius * (1.0 + base + 1e-4 * (double(n) - 16.0));
                    const double k = distance * length / std::sqrt(length * length - distance * distance);
                    points.push_back(light + Scaled(toCentre + Scaled(across, k), 0.9));
                }
            }
        }
    }
    points.push_back(Vec3(7.0, 7.0, 7.0));  // on light 3
    const std::size_t count = points.size();
    std::vector<double> hits(count * 3);
    std::vector<std::uint8_t> expected(count * lightCount);
    for (std::size_t p = 0; p < count; ++p) {
        hits[3 * p] = points[p].x, hits[3 * p + 1] = points[p].y, hits[3 * p + 2] = points[p].z;
        for (unsigned j = 0; j < lightCount; ++j) {
            Vec3 d = Vec3(lights[3 * j], lights[3 * j + 1], lights[3 * j + 2]) - points[p];
            d.Normalize();
            for (unsigned m = 0; m < 3; ++m)
                expected[j * count + p] |= std::uint8_t(straightforward.SphereOnLine(points[p], d, m) << m);
        }
    }
    ASSERT_NE(std::count(expected.begin(), expected.end(), 0), std::ptrdiff_t(expected.size()));
    std::vector<double> balls(4 * ((count + ShadowChunk - 1) / ShadowChunk));
    ShadowBalls(hits.data(), count, balls.data());
    // All lights (one in a sphere: nothing culled for it), and the two
    // outside the spheres alone (whole chunks culled).
    for (unsigned used : {lightCount, 2u}) {
        std::vector<std::uint8_t> masks(count * used, 0xff);
        ShadowMasks(hits.data(), count, balls.data(), lights.data(), used, spheres, masks.data());
        for (std::size_t i = 0; i < masks.size(); ++i)
            ASSERT_EQ(int(masks[i]), int(expected[i])) << "point " << i % count << ", light " << i / count;
    }
}

}  // namespace

}  // namespace glintwork
