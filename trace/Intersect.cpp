// Intersection and acceptance tests of the room tracer. No test uses an
// epsilon; every comparison is exact, with the strictness written here.

#include <immintrin.h>

#include <cmath>

#include "trace/LightTerms.h"
#include "trace/RoomTracer.h"

void RoomTracer::ShadePlanePoint(const Vec3& planeNormal, int k)
{
    normal = planeNormal;

    PlanePattern(hitPoint, k);
    const float* material = &planeMaterials[9 * static_cast<std::size_t>(k)];
    const double exponent = planeExponents[k];
    const KeptPoint kept = keeping.mode == KeepMode::Record ? RecordPlanePoint(k) : KeptPoint{};
    // Every light's terms but the power at once; the power only where used.
    const bool batched = lightBatch.Active();
    if (batched)
        lightBatch.Compute(hitPoint, rayDir, normal);
    // SphereOnLine's test split: what depends on the hit point and the
    // sphere alone is worked out once for all lights.
    double fromCentre[3 * MaxSpheres];  // plain doubles: nothing to initialise
    double lineC[MaxSpheres];
    PointSphereTerms(hitPoint, fromCentre, lineC);
    bool shadowed = false;  // any light blocked
    for (unsigned j = 0; j < lightCount; ++j) {
        if (batched)
            TakeBatchedLight(j);
        else
            BeginLightTerms(hitPoint, j, rayDir, normal, true);
        if (kept) {
            // Kept whether or not a sphere blocks the light now.
            FinishLightTerms(exponent);
            kept.SetLight(j, lightDir);
            const float* light = &lightColours[9 * static_cast<std::size_t>(j)];
            for (int c = 0; c < 3; ++c)
                kept.terms[3 * j + c] = PlaneLightTerm(light, material, planeTint, c, diffuseTerm, specularTerm);
        }

        // The first blocking sphere in index order casts the shadow. With no
        // spheres the flag keeps its last value.
        const Vec3 doubled = Scaled(lightDir, 2.0);
        for (unsigned m = 0; m < sphereCount; ++m) {
            const double b = Dot(doubled, Vec3(fromCentre[3 * m], fromCentre[3 * m + 1], fromCentre[3 * m + 2]));
            if (!(b * b - 4.0 * lineC[m] < 0.0)) {
                lightBlocked = true;
                BlockerColour(hitPoint, lightDir, m, m, planeShadowColour);
                break;
            }
            lightBlocked = false;
        }
        shadowed = shadowed || lightBlocked;
        if (!lightBlocked)
            FinishLightTerms(exponent);

        const float* light = &lightColours[9 * static_cast<std::size_t>(j)];
        for (int c = 0; c < 3; ++c) {
            const double term = lightBlocked ? ShadowedTerm(light, material, c, planeShadowColour[c])
                                             : PlaneLightTerm(light, material, planeTint, c, diffuseTerm, specularTerm);
            colour[c] = static_cast<float>(term + colour[c]);
        }
    }
    PlotPoint(colour[0], colour[1], colour[2]);
    colour[0] = colour[1] = colour[2] = 0.0f;
    if (kept)
        KeepComposed(shadowed);
}

namespace {

// One light's term of a room point, the three channels at once (a channel
// a lane, the fourth lane padding): unless `blocked`, (ambient + tinted *
// diffuse) + specular * power as PlaneLightTerm works it out, else ambient +
// shadow as ShadowedTerm; then sum = float(term + sum). With `unshadowed`,
// the unshadowed term is stored there as well (even for a blocked light).
__attribute__((target("avx2"))) void AddPlaneTermAvx2(const double* ambient, const double* tinted,
                                                      const double* specular, double diffuse, double power,
                                                      const float* shadow, float sum[4], double* unshadowed)
{
    const __m256d a = _mm256_loadu_pd(ambient);
    __m256d term;
    if (!shadow || unshadowed) {
        term = _mm256_add_pd(_mm256_add_pd(a, _mm256_mul_pd(_mm256_loadu_pd(tinted), _mm256_set1_pd(diffuse))),
                             _mm256_mul_pd(_mm256_loadu_pd(specular), _mm256_set1_pd(power)));
        if (unshadowed)
            _mm256_storeu_pd(unshadowed, term);
    }
    if (shadow)
        term = _mm256_add_pd(a, _mm256_cvtps_pd(_mm_setr_ps(shadow[0], shadow[1], shadow[2], 0.0f)));
    _mm_storeu_ps(sum, _mm256_cvtpd_ps(_mm256_add_pd(term, _mm256_cvtps_pd(_mm_loadu_ps(sum)))));
}

}  // namespace

void RoomTracer::ShadeBatchedPlanePoint(const PlanePointBatch& batch, int k, unsigned p)
{
    normal = planeNormals[k];
    PlanePattern(hitPoint, k);
    const double exponent = planeExponents[k];
    const KeptPoint kept = keeping.mode == KeepMode::Record ? RecordPlanePoint(k) : KeptPoint{};
    // The pattern's tint picks the diffuse factors.
    const unsigned ones = planeTintOnes;
    float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool shadowed = false;  // any light blocked
    for (unsigned j = 0; j < lightCount; ++j) {
        lightDir = batch.LightDir(j, p);
        const PlaneLightFactors& factors = planeLightFactors[j * std::size_t(RoomPlanes) + k];
        // Kept whether or not a sphere blocks the light now.
        double unshadowed[4];
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
        AddPlaneTermAvx2(factors.ambient, factors.tinted[ones], factors.specular, diffuseTerm, specularTerm,
                         lightBlocked ? planeShadowColour : nullptr, sum, kept ? unshadowed : nullptr);
        if (kept) {
            for (int c = 0; c < 3; ++c)
                kept.terms[3 * j + c] = unshadowed[c];
        }
    }
    PlotPoint(sum[0], sum[1], sum[2]);
    colour[0] = colour[1] = colour[2] = 0.0f;
    if (kept)
        KeepComposed(shadowed);
}

void RoomTracer::ShadeSphere(const Vec3& centre, unsigned i)
{
    const Vec3 centreToEye = eye - centre;  // from the centre to the eye
    rayDir.ScaleFrom(rayDir, 2.0);
    const double b = Dot(rayDir, centreToEye);
    rayDir = primaryDir;
    const float radiusSquared = sphereRadii[i] * sphereRadii[i];
    const double c = Dot(centreToEye, centreToEye) - radiusSquared;
    const double disc = b * b - 4.0 * c;
    if (disc < 0.0)
        return;

    // The smaller root, whatever its sign: with the eye in front of the
    // sphere that is the far side, whose normal faces away from the eye.
    const double t = disc == 0.0 ? -b / 2.0 : (-b - std::sqrt(disc)) / 2.0;
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
    // The fast path takes every light's terms but the power at once.
    // LightTerms normalises the normal again for each light; once gives the
    // same.
    const bool batched = lightBatch.Active();
    auto sumLights = [&](bool withShadowColour) {
        if (batched) {
            Vec3 unitNormal = normal;
            unitNormal.Normalize();
            lightBatch.Compute(hitPoint, rayDir, unitNormal);
        }
        for (unsigned j = 0; j < lightCount; ++j) {
            if (batched)
                TakeBatchedLight(j);
            else
                BeginLightTerms(hitPoint, j, rayDir, normal, false);
            const bool blocked = SphereShadow(hitPoint, lightDir, i);
            if (!blocked)
                FinishLightTerms(exponent);
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
bool RoomTracer::SphereOnLine(Vec3 origin, Vec3 direction, unsigned m) const
{
    const Vec3 centre = SphereCentre(m);
    const Vec3 fromCentre = origin - centre;
    direction.ScaleFrom(direction, 2.0);
    const double b = Dot(direction, fromCentre);
    const float radiusSquared = sphereRadii[m] * sphereRadii[m];
    const double c = Dot(fromCentre, fromCentre) - radiusSquared;
    const double disc = b * b - 4.0 * c;
    return !(disc < 0.0);
}

void RoomTracer::PointSphereTerms(const Vec3& point, double fromCentre[], double c[]) const
{
    for (unsigned m = 0; m < sphereCount; ++m) {
        const Vec3 f = point - SphereCentre(m);
        fromCentre[3 * m] = f.x;
        fromCentre[3 * m + 1] = f.y;
        fromCentre[3 * m + 2] = f.z;
        const float radiusSquared = sphereRadii[m] * sphereRadii[m];
        c[m] = Dot(f, f) - radiusSquared;
    }
}

Vec3 RoomTracer::LineEntry(Vec3 origin, Vec3 direction, unsigned m) const
{
    const Vec3 centre = SphereCentre(m);
    const Vec3 fromCentre = origin - centre;
    Vec3 doubled = direction;
    doubled.ScaleFrom(doubled, 2.0);
    const double b = Dot(doubled, fromCentre);
    const float radiusSquared = sphereRadii[m] * sphereRadii[m];
    const double c = Dot(fromCentre, fromCentre) - radiusSquared;
    const double disc = b * b - 4.0 * c;
    const double t = disc == 0.0 ? -b / 2.0 : (-b - std::sqrt(disc)) / 2.0;
    return origin + Scaled(direction, t);
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
