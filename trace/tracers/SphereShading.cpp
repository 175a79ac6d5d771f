// Intersection and acceptance tests of the fast path, and the colours of its
// plane and sphere points. No test uses an epsilon; every comparison is
// exact, with the strictness written here.

#include <cmath>

#include "trace/kernels/LightTerms.h"
#include "trace/tracers/RoomTracer.h"

void RoomTracer::ShadeBatchedPlanePoint(const PlanePointBatch& batch, int k, unsigned p)
{
    normal = planeNormals[k];
    PlanePattern(hitPoint, k);
    const double exponent = planeExponents[k];
    const float* material = &planeMaterials[9 * static_cast<std::size_t>(k)];
    const KeptPoint kept = keeping.mode == KeepMode::Record ? RecordPlanePoint(k) : KeptPoint{};
    // The pattern's tint picks the diffuse factors.
    const unsigned ones = planeTintOnes;
    float sum[3] = {0.0f, 0.0f, 0.0f};
    bool shadowed = false;  // any light blocked
    for (unsigned j = 0; j < lightCount; ++j) {
        lightDir = batch.LightDir(j, p);
        const PlaneLightFactors& factors = planeLightFactors[j * std::size_t(RoomPlanes) + k];
        // Kept whether or not a sphere blocks the light now.
        if (kept) {
            diffuseTerm = batch.Diffuse(j, p);
            specularTerm = std::pow(batch.SpecularBase(j, p), exponent);
            kept.SetLight(j, lightDir);
        }
        // With no spheres the flag keeps its last value.
        if (sphereCount != 0) {
            const int m = batch.Blocker(j, p);
            lightBlocked = m >= 0;
            if (lightBlocked)
                BlockerColour(hitPoint, lightDir, static_cast<unsigned>(m), static_cast<unsigned>(m),
                              planeShadowColour);
        }
        shadowed = shadowed || lightBlocked;
        if (!lightBlocked && !kept) {
            diffuseTerm = batch.Diffuse(j, p);
            specularTerm = std::pow(batch.SpecularBase(j, p), exponent);
        }
        double unshadowed[3];
        if (!lightBlocked || kept) {
            for (int c = 0; c < 3; ++c)
                unshadowed[c] = PlaneTerm(factors.ambient[c], factors.tinted[ones][c], factors.specular[c], diffuseTerm,
                                          specularTerm);
        }
        if (kept) {
            for (int c = 0; c < 3; ++c)
                kept.terms[3 * j + c] = unshadowed[c];
        }
        if (lightBlocked) {
            const float* light = &lightColours[9 * std::size_t(j)];
            for (int c = 0; c < 3; ++c)
                sum[c] = static_cast<float>(ShadowedTerm(light, material, c, planeShadowColour[c]) + sum[c]);
        } else {
            for (int c = 0; c < 3; ++c)
                sum[c] = static_cast<float>(unshadowed[c] + sum[c]);
        }
    }
    PlotPoint(sum[0], sum[1], sum[2]);
    colour[0] = colour[1] = colour[2] = 0.0f;
    if (kept)
        KeepComposed(shadowed);
}

void RoomTracer::ShadeSphere(const Vec3& centre, unsigned i)
{
    // The line from the eye along the doubled ray.
    const double e[3] = {eye.x, eye.y, eye.z};
    const double doubled[3] = {2.0 * rayDir.x, 2.0 * rayDir.y, 2.0 * rayDir.z};
    double f[3], c, b;
    SphereTerms<OneLane>(e, sphereSet.centre[i], sphereSet.radiusSquared[i], f, c);
    const double disc = Discriminant<OneLane>(doubled, f, c, b);
    if (disc < 0.0)
        return;

    // The smaller root, whatever its sign: with the eye in front of the
    // sphere that is the far side, whose normal faces away from the eye.
    const double t = NearRoot(b, disc);
    rayDir = primaryDir;
    rayDir.ScaleFrom(rayDir, t);
    hitPoint = eye + rayDir;
    if (BeyondDepth(hitPoint)) {
        rayDir = primaryDir;
        return;
    }
    rayDir = primaryDir;
    normal = hitPoint - centre;
    normal.Normalize();
    const Vec3 savedNormal = normal;

    // The unit mirror image of the primary direction about the normal.
    Mirror(rayDir, normal);
    reflectDir = rayDir;
    rayDir = primaryDir;
    normal = savedNormal;

    const float* material = &sphereMaterials[9 * static_cast<std::size_t>(i)];
    const double exponent = sphereExponents[i];

    // Sums the light terms of every light into `colour`; a blocked light
    // gives its ambient product plus, with reflections on, the shadow colour.
    // Every light's terms but the power at once. The shading normalises the
    // unit normal again; once gives the same.
    auto sumLights = [&](bool withShadowColour) {
        Vec3 unitNormal = normal;
        unitNormal.Normalize();
        lightBatch.Compute(hitPoint, rayDir, unitNormal);
        for (unsigned j = 0; j < lightCount; ++j) {
            lightDir = lightBatch.LightDir(j);
            const bool blocked = SphereShadow(hitPoint, lightDir, i);
            if (!blocked) {
                diffuseTerm = lightBatch.Diffuse(j);
                specularTerm = std::pow(lightBatch.SpecularBase(j), exponent);
            }
            const float* light = &lightColours[9 * static_cast<std::size_t>(j)];
            for (int ch = 0; ch < 3; ++ch) {
                double term;
                if (!blocked)
                    term = SphereLightTerm(light, material, ch, diffuseTerm, specularTerm);
                else if (withShadowColour)
                    term = ShadowedTerm(light, material, ch, sphereShadowColour[ch]);
                else
                    term = static_cast<double>(light[ch]) * material[ch];
                colour[ch] = static_cast<float>(term + colour[ch]);
            }
        }
    };

    auto plotColour = [&]() {
        PlotPoint(colour[0], colour[1], colour[2]);
        colour[0] = colour[1] = colour[2] = 0.0f;
    };
    // The sphere's own light sum plus the room it reflects.
    auto plotReflecting = [&]() {
        sumLights(true);
        for (int ch = 0; ch < 3; ++ch)
            colour[ch] = colour[ch] + reflectedColour[ch];
        plotColour();
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
                if (ReflectedPlanePoint(hitPoint, planePoints[q], planeNormals[q], q, point))
                    current = Source{true, q, point, reflectDir};
                plots = true;
                shown = current;
            } else {
                current.fromPlane = false;
            }
        }
        if (plots) {
            if (shown.fromPlane)
                ReflectedLightSum(shown.point, shown.plane, shown.dir, reflectedColour);
            else
                reflectedColour[0] = reflectedColour[1] = reflectedColour[2] = 0.0f;
            plotReflecting();
        }
    } else {
        sumLights(false);
        plotColour();
    }
    reflectedColour[0] = reflectedColour[1] = reflectedColour[2] = 0.0f;
}

bool RoomTracer::InsideRoomFace(const Vec3& point, int k) const
{
    const double xMin = planePoints[0].x;
    const double xMax = planePoints[1].x;
    const double zMin = planePoints[2].z;
    const double zMax = nearZ;
    const double yMin = planePoints[3].y;
    const double yMax = planePoints[4].y;

    // Written as "outside" tests so that a coordinate that is not a number
    // counts as inside. All bounds are inclusive.
    if (k == 0 || k == 1)
        return !(point.z < zMin || point.z > zMax || point.y > yMax || point.y < yMin);
    if (k == 2)
        return !(point.x < xMin || point.x > xMax || point.y > yMax || point.y < yMin);
    return !(point.z < zMin || point.z > zMax || point.x > xMax || point.x < xMin);
}

bool RoomTracer::BeyondDepth(const Vec3& point) const
{
    return !(depthLimit < point.z);
}

// The shadow test is made on the whole line through the origin: a sphere
// behind the origin, or beyond the light, blocks as well.
bool RoomTracer::SphereOnLine(const Vec3& origin, const Vec3& direction, unsigned m) const
{
    const double o[3] = {origin.x, origin.y, origin.z};
    const double doubled[3] = {2.0 * direction.x, 2.0 * direction.y, 2.0 * direction.z};
    double f[3], c;
    SphereTerms<OneLane>(o, sphereSet.centre[m], sphereSet.radiusSquared[m], f, c);
    return MeetsSphere<OneLane>(doubled, f, c);
}

Vec3 RoomTracer::LineEntry(const Vec3& origin, const Vec3& direction, unsigned m) const
{
    const double o[3] = {origin.x, origin.y, origin.z};
    const double doubled[3] = {2.0 * direction.x, 2.0 * direction.y, 2.0 * direction.z};
    double f[3], c, b;
    SphereTerms<OneLane>(o, sphereSet.centre[m], sphereSet.radiusSquared[m], f, c);
    const double disc = Discriminant<OneLane>(doubled, f, c, b);
    return origin + Scaled(direction, NearRoot(b, disc));
}

bool RoomTracer::ReflectedPlanePoint(const Vec3& origin, const Vec3& planePoint, const Vec3& planeNormal, int q,
                                     Vec3& point)
{
    const double t = Dot(planePoint - origin, planeNormal) / Dot(reflectDir, planeNormal);
    // Not restored: the next plane of the same sphere point works with the
    // scaled vector.
    reflectDir.ScaleFrom(reflectDir, t);
    point = origin + reflectDir;
    return InsideRoomFace(point, q) && !BeyondDepth(point);
}
