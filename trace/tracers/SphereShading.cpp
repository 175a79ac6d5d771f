// The colours of the fast path's sphere points: the sphere's own light sum
// with the shadows other spheres cast on it, the room it reflects, and the
// colour a sphere shows where it blocks a light. No test uses an epsilon;
// every comparison is exact, with the strictness written here.

#include <cmath>

#include "trace/kernels/LightTerms.h"
#include "trace/tracers/RoomTracer.h"

void RoomTracer::ShadeSphere(const Vec3& primaryDir, unsigned i)
{
    const Vec3 centre = SphereCentre(i);
    // The line from the eye along the doubled ray.
    const double e[3] = {eye.x, eye.y, eye.z};
    const double doubled[3] = {2.0 * primaryDir.x, 2.0 * primaryDir.y, 2.0 * primaryDir.z};
    double f[3], c, b;
    SphereTerms<OneLane>(e, sphereSet.centre[i], sphereSet.radiusSquared[i], f, c);
    const double disc = Discriminant<OneLane>(doubled, f, c, b);
    if (disc < 0.0)
        return;

    // The smaller root, whatever its sign: with the eye in front of the
    // sphere that is the far side, whose normal faces away from the eye.
    const double t = NearRoot<OneLane>(b, disc);
    Vec3 ray = primaryDir;
    ray.ScaleFrom(ray, t);
    const Vec3 hitPoint = eye + ray;
    if (BeyondDepth(hitPoint))
        return;
    Vec3 normal = hitPoint - centre;
    normal.Normalize();

    // The unit mirror image of the primary direction about the normal.
    Vec3 reflectDir = primaryDir;
    Vec3 mirrorNormal = normal;
    Mirror(reflectDir, mirrorNormal);

    const double exponent = sphereExponents[i];
    float colour[3] = {0.0f, 0.0f, 0.0f};

    // Sums the light terms of every light into `colour`; a blocked light
    // gives its ambient product plus, with reflections on, the shadow colour.
    // Every light's terms but the power at once. The shading normalises the
    // unit normal again; once gives the same.
    auto sumLights = [&](bool withShadowColour) {
        Vec3 unitNormal = normal;
        unitNormal.Normalize();
        lightBatch.Compute(hitPoint, primaryDir, unitNormal);
        for (unsigned j = 0; j < lightCount; ++j) {
            const Vec3 lightDir = lightBatch.LightDir(j);
            float shadowColour[3];
            if (!SphereShadow(hitPoint, lightDir, i, shadowColour)) {
                AddSphereLight(j, i, lightBatch.Diffuse(j), lightBatch.SpecularBase(j), exponent, colour);
                continue;
            }
            const double* ambient = sphereLightFactors[j * std::size_t(sphereCount) + i].ambient;
            for (int ch = 0; ch < 3; ++ch) {
                const double term = withShadowColour ? ShadowedTerm(ambient[ch], shadowColour[ch]) : ambient[ch];
                colour[ch] = static_cast<float>(term + colour[ch]);
            }
        }
    };

    if (reflectionsOn) {
        // The same walk over the planes, working out only what the last plot
        // shows: which reflected plane point its colour comes from (a rejected
        // point keeps the previous plane's colour, a plane the reflection does
        // not face resets it to 0), with the reflected ray scaled as it was then.
        struct Source {
            bool fromPlane = false;  // else the colour is 0
            int plane = 0;
            Vec3 point, dir;
        } current, shown;
        bool plots = false;
        for (int q = 0; q < RoomPlanes; ++q) {
            if (Dot(reflectDir, planeNormals[q]) < 0.0) {
                Vec3 point;
                if (ReflectedPlanePoint(hitPoint, q, reflectDir, point))
                    current = Source{true, q, point, reflectDir};
                plots = true;
                shown = current;
            } else {
                current.fromPlane = false;
            }
        }
        if (!plots)
            return;
        // The sphere's own light sum plus the room it reflects.
        float reflectedColour[3] = {0.0f, 0.0f, 0.0f};
        if (shown.fromPlane)
            ReflectedLightSum(shown.point, shown.plane, shown.dir, reflectedColour);
        sumLights(true);
        for (int ch = 0; ch < 3; ++ch)
            colour[ch] = colour[ch] + reflectedColour[ch];
    } else {
        sumLights(false);
    }
    PlotPoint(hitPoint, colour[0], colour[1], colour[2]);
}

bool RoomTracer::ReflectedPlanePoint(const Vec3& origin, int q, Vec3& reflectDir, Vec3& point) const
{
    const double t = Dot(planePoints[q] - origin, planeNormals[q]) / Dot(reflectDir, planeNormals[q]);
    reflectDir.ScaleFrom(reflectDir, t);
    point = origin + reflectDir;
    return InsideRoomFace(point, q) && !BeyondDepth(point);
}

bool RoomTracer::SphereShadow(const Vec3& origin, const Vec3& direction, unsigned i, float shadow[3]) const
{
    for (unsigned m = 0; m < sphereCount; ++m) {
        if (m == i)
            continue;
        if (SphereOnLine(origin, direction, m)) {
            // The blocker's material with the shaded sphere's exponent.
            if (colouredShadowsOn) {
                BlockerColour(origin, direction, m, i, shadow);
            } else {
                shadow[0] = shadow[1] = shadow[2] = 0.0f;
            }
            return true;
        }
    }
    shadow[0] = shadow[1] = shadow[2] = 0.0f;
    return false;
}

// The colour a blocking sphere m shows where the line from `origin` along
// `direction` enters it: its unshadowed light sum there, with the exponent of
// sphere e.
void RoomTracer::BlockerColour(const Vec3& origin, const Vec3& direction, unsigned m, unsigned e, float out[3]) const
{
    const Vec3 entry = LineEntry(origin, direction, m);
    const Vec3 entryNormal = entry - SphereCentre(m);
    const double exponent = sphereExponents[e];

    // Every light's terms but the power at once. The shading normalises the
    // normal for each light; normalising it once gives the same.
    Vec3 unitNormal = entryNormal;
    unitNormal.Normalize();
    blockerBatch.Compute(entry, direction, unitNormal);
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (unsigned j = 0; j < lightCount; ++j)
        AddSphereLight(j, m, blockerBatch.Diffuse(j), blockerBatch.SpecularBase(j), exponent, sum);
    out[0] = sum[0];
    out[1] = sum[1];
    out[2] = sum[2];
}

void RoomTracer::BlockerColour(const BlockerBatch& batch, unsigned n, float out[3]) const
{
    const unsigned m = batch.Sphere(n);
    const double exponent = sphereExponents[m];
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (unsigned j = 0; j < lightCount; ++j)
        AddSphereLight(j, m, batch.Diffuse(j, n), batch.SpecularBase(j, n), exponent, sum);
    out[0] = sum[0];
    out[1] = sum[1];
    out[2] = sum[2];
}

void RoomTracer::AddSphereLight(unsigned j, unsigned m, double diffuse, double specularBase, double exponent,
                                float sum[3]) const
{
    const double power = SpecularPower(specularBase, exponent);
    const SphereLightFactors& f = sphereLightFactors[j * std::size_t(sphereCount) + m];
    for (int c = 0; c < 3; ++c)
        sum[c] = static_cast<float>(LightTerm(f.ambient[c], f.diffuse[c], f.specular[c], diffuse, power) + sum[c]);
}
