// Colours of the room tracer: plane patterns, light sums, coloured shadows
// and the room seen in the spheres.

#include <cmath>
#include <cstdint>

#include "trace/kernels/LightTerms.h"
#include "trace/tracers/RoomTracer.h"

namespace {

// Truncation toward zero to a 32-bit signed integer. Values outside that range
// (and NaN) give the "integer indefinite" value INT32_MIN, as the hardware
// conversion does, instead of undefined behaviour.
std::int32_t TruncateToInt32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

// Every tint has channels of 0 or 1; `ones` gets a bit per channel of 1.
void SetTint(float tint[3], unsigned& ones, float r, float g, float b)
{
    tint[0] = r;
    tint[1] = g;
    tint[2] = b;
    ones = unsigned(r == 1.0f) | unsigned(g == 1.0f) << 1 | unsigned(b == 1.0f) << 2;
}

}  // namespace

void RoomTracer::PlanePattern(const Vec3& point, int k)
{
    if (k <= 2) {
        // Walls: red bands between -10 and -5 and between 0 and 5, yellow elsewhere.
        const double y = point.y;
        if ((-10.0 < y && y < -5.0) || (0.0 < y && y < 5.0))
            SetTint(planeTint, planeTintOnes, 1.0f, 0.0f, 0.0f);
        else
            SetTint(planeTint, planeTintOnes, 1.0f, 1.0f, 0.0f);
        return;
    }
    const std::int32_t x = TruncateToInt32(point.x);
    const std::int32_t z = TruncateToInt32(point.z);
    if (k == 3) {
        // Floor: a checkerboard of white and red on a grid of four units.
        const bool a = x % 4 == 0;
        const bool b = z % 4 == 0;
        if (a == b)
            SetTint(planeTint, planeTintOnes, 1.0f, 1.0f, 1.0f);
        else
            SetTint(planeTint, planeTintOnes, 1.0f, 0.0f, 0.0f);
        return;
    }
    // Ceiling: four colours on a grid of three units.
    const bool a = x % 3 == 0;
    const bool b = z % 3 == 0;
    if (a && b)
        SetTint(planeTint, planeTintOnes, 0.0f, 1.0f, 1.0f);
    else if (a)
        SetTint(planeTint, planeTintOnes, 1.0f, 0.0f, 0.0f);
    else if (b)
        SetTint(planeTint, planeTintOnes, 1.0f, 1.0f, 0.0f);
    else
        SetTint(planeTint, planeTintOnes, 0.0f, 1.0f, 0.0f);
}

// The colour a blocking sphere m shows where the line from `origin` along
// `direction` enters it: its unshadowed light sum there, with the exponent of
// sphere e.
void RoomTracer::BlockerColour(const Vec3& origin, const Vec3& direction, unsigned m, unsigned e, float out[3]) const
{
    const Vec3 entry = LineEntry(origin, direction, m);
    const Vec3 entryNormal = entry - SphereCentre(m);
    const float* material = &sphereMaterials[9 * static_cast<std::size_t>(m)];
    const double exponent = sphereExponents[e];

    // Every light's terms but the power at once. The shading normalises the
    // normal for each light; normalising it once gives the same.
    Vec3 unitNormal = entryNormal;
    unitNormal.Normalize();
    blockerBatch.Compute(entry, direction, unitNormal);
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (unsigned j = 0; j < lightCount; ++j) {
        const double diffuse = blockerBatch.Diffuse(j);
        const double specular = std::pow(blockerBatch.SpecularBase(j), exponent);
        const float* light = &lightColours[9 * static_cast<std::size_t>(j)];
        for (int c = 0; c < 3; ++c)
            sum[c] = static_cast<float>(SphereLightTerm(light, material, c, diffuse, specular) + sum[c]);
    }
    out[0] = sum[0];
    out[1] = sum[1];
    out[2] = sum[2];
}

bool RoomTracer::SphereShadow(const Vec3& origin, const Vec3& direction, unsigned i)
{
    for (unsigned m = 0; m < sphereCount; ++m) {
        if (m == i)
            continue;
        if (SphereOnLine(origin, direction, m)) {
            // The blocker's material with the shaded sphere's exponent.
            if (colouredShadowsOn) {
                BlockerColour(origin, direction, m, i, sphereShadowColour);
            } else {
                sphereShadowColour[0] = sphereShadowColour[1] = sphereShadowColour[2] = 0.0f;
            }
            return true;
        }
    }
    sphereShadowColour[0] = sphereShadowColour[1] = sphereShadowColour[2] = 0.0f;
    return false;
}

void RoomTracer::ReflectedLightSum(const Vec3& point, int q, const Vec3& view, float out[3])
{
    const Vec3 hitNormal = planeNormals[q];  // a unit axis: normalising it changes nothing
    PlanePattern(point, q);
    const unsigned ones = planeTintOnes;
    const float* material = &planeMaterials[9 * static_cast<std::size_t>(q)];
    const double exponent = planeExponents[q];
    float sum[3] = {0.0f, 0.0f, 0.0f};
    // Every light's terms but the power at once (no plane point's terms are
    // pending here: this runs for a sphere point).
    lightBatch.Compute(point, view, hitNormal);
    for (unsigned j = 0; j < lightCount; ++j) {
        const Vec3 toLight = lightBatch.LightDir(j);
        bool inShadow = false;
        unsigned blocker = 0;
        for (unsigned m = 0; m < sphereCount; ++m) {
            if (SphereOnLine(point, toLight, m)) {
                inShadow = true;
                blocker = m;
                break;
            }
        }
        const float* light = &lightColours[9 * static_cast<std::size_t>(j)];
        if (inShadow) {
            float shadow[3];
            BlockerColour(point, toLight, blocker, blocker, shadow);
            for (int c = 0; c < 3; ++c)
                sum[c] = static_cast<float>(ShadowedTerm(light, material, c, shadow[c]) + sum[c]);
        } else {
            const PlaneLightFactors& factors = planeLightFactors[j * std::size_t(RoomPlanes) + q];
            const double diffuse = lightBatch.Diffuse(j);
            const double power = std::pow(lightBatch.SpecularBase(j), exponent);
            for (int c = 0; c < 3; ++c)
                sum[c] = static_cast<float>(
                    PlaneTerm(factors.ambient[c], factors.tinted[ones][c], factors.specular[c], diffuse, power) +
                    sum[c]);
        }
    }
    out[0] = sum[0];
    out[1] = sum[1];
    out[2] = sum[2];
}
