// The colours of the fast path's sphere points: the sphere's own light sum
// with the shadows other spheres cast on it, the room it reflects, and the
// colour a sphere shows where it blocks a light. No test uses an epsilon;
// every comparison is exact, with the strictness written here.

#include <cmath>

#include "trace/kernels/LightTerms.h"
#include "trace/tracers/RoomTracer.h"

namespace glintwork {

void RoomTracer::PrepareSphereBatch()
{
    SphereBatch::Room room;
    const double e[3] = {eye.x, eye.y, eye.z};
    for (int a = 0; a < 3; ++a)
        room.eye[a] = e[a];
    for (int q = 0; q < RoomPlanes; ++q) {
        const double point[3] = {planePoints[q].x, planePoints[q].y, planePoints[q].z};
        const double normal[3] = {planeNormals[q].x, planeNormals[q].y, planeNormals[q].z};
        for (int a = 0; a < 3; ++a) {
            room.point[q][a] = point[a];
            room.normal[q][a] = normal[a];
        }
    }
    FaceBounds(room.low, room.high);
    room.depthLimit = depthLimit;
    sphereBatch.SetRoom(room, sphereSet);
}

void RoomTracer::ShadeSphere(unsigned n)
{
    const SphereBatch& batch = sphereBatch;
    if (!batch.Hit(n))
        return;
    const unsigned i = batch.Sphere(n);
    const Vec3 hitPoint = batch.HitPoint(n);
    float colour[3] = {0.0f, 0.0f, 0.0f};

    // Sums the light terms of every light into `colour`; a light another
    // sphere blocks gives its ambient product plus, with reflections on, the
    // colour that sphere shows (with this sphere's exponent; 0 with coloured
    // shadows off).
    auto sumLights = [&](bool withShadowColour) {
        for (unsigned j = 0; j < lightCount; ++j) {
            const int m = batch.Blocker(j, n);
            if (m < 0) {
                AddSphereLight(j, i, batch.Diffuse(j, n), SpherePower(j, i, i, batch.SpecularBase(j, n)), colour);
                continue;
            }
            float shadowColour[3] = {0.0f, 0.0f, 0.0f};
            if (withShadowColour && colouredShadowsOn)
                BlockerColour(hitPoint, batch.LightDir(j, n), static_cast<unsigned>(m), i, shadowColour);
            const double* ambient = sphereLightFactors[j * std::size_t(sphereCount) + i].ambient;
            for (int ch = 0; ch < 3; ++ch) {
                const double term =
                    withShadowColour ? ShadowedTerm<OneLane>(ambient[ch], shadowColour[ch]) : ambient[ch];
                colour[ch] = static_cast<float>(AddedToFloatSum<OneLane>(term, colour[ch]));
            }
        }
    };

    if (reflectionsOn) {
        // Drawn only if some plane faces the mirrored ray; the sphere's own
        // light sum plus the room point it shows (0 where it shows none).
        if (!batch.Plots(n))
            return;
        float reflectedColour[3] = {0.0f, 0.0f, 0.0f};
        if (batch.ShowsPlane(n))
            ReflectedLightSum(n, reflectedColour);
        sumLights(true);
        for (int ch = 0; ch < 3; ++ch)
            colour[ch] = colour[ch] + reflectedColour[ch];
    } else {
        sumLights(false);
    }
    PlotPoint(hitPoint.x, hitPoint.y, hitPoint.z, colour[0], colour[1], colour[2]);
}

// The colour a blocking sphere m shows where the line from `origin` along
// `direction` enters it: its unshadowed light sum there, with the exponent of
// sphere e.
void RoomTracer::BlockerColour(const Vec3& origin, const Vec3& direction, unsigned m, unsigned e, float out[3]) const
{
    const Vec3 entry = LineEntry(origin, direction, m);
    const Vec3 entryNormal = entry - SphereCentre(m);

    // Every light's terms but the power at once. The shading normalises the
    // normal for each light; normalising it once gives the same.
    Vec3 unitNormal = entryNormal;
    unitNormal.Normalize();
    blockerBatch.Compute(entry, direction, unitNormal);
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (unsigned j = 0; j < lightCount; ++j)
        AddSphereLight(j, m, blockerBatch.Diffuse(j), SpherePower(j, m, e, blockerBatch.SpecularBase(j)), sum);
    out[0] = sum[0];
    out[1] = sum[1];
    out[2] = sum[2];
}

double RoomTracer::SpherePower(unsigned j, unsigned m, unsigned e, double base) const
{
    return SpecularPowerSeen(base, sphereExponents[e], sphereLightFactors[j * std::size_t(sphereCount) + m].cutoff[e]);
}

void RoomTracer::AddSphereLight(unsigned j, unsigned m, double diffuse, double power, float sum[3]) const
{
    const SphereLightFactors& f = sphereLightFactors[j * std::size_t(sphereCount) + m];
    for (int c = 0; c < 3; ++c) {
        const double term = LightTerm<OneLane>(f.ambient[c], f.diffuse[c], f.specular[c], diffuse, power);
        sum[c] = static_cast<float>(AddedToFloatSum<OneLane>(term, sum[c]));
    }
}

}  // namespace glintwork
