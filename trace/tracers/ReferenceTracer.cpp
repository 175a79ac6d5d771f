// The straightforward tracer. No test uses an epsilon; every comparison is
// exact, with the strictness written here, and every sum keeps the order
// written here.

#include "trace/tracers/ReferenceTracer.h"

#include <cmath>
#include <cstdint>

#include "trace/scene/Scene.h"
#include "trace/tracers/ViewInputs.h"

namespace glintwork {

namespace {

// Truncation toward zero to a 32-bit signed integer; out of range (and NaN)
// gives INT32_MIN, as the hardware conversion does.
std::int32_t Truncate(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

void SetTint(float tint[3], float r, float g, float b)
{
    tint[0] = r;
    tint[1] = g;
    tint[2] = b;
}

// The first `count` values of `from`, zeros past its end.
template <typename T> std::vector<T> Copied(const std::vector<T>& from, std::size_t count)
{
    std::vector<T> to(count, T());
    for (std::size_t i = 0; i < count && i < from.size(); ++i)
        to[i] = from[i];
    return to;
}

}  // namespace

ReferenceTracer::ReferenceTracer(const Scene& scene, const ViewInputs& inputs)
{
    planeNormals[0] = Vec3(1.0, 0.0, 0.0);
    planeNormals[1] = Vec3(-1.0, 0.0, 0.0);
    planeNormals[2] = Vec3(0.0, 0.0, 1.0);
    planeNormals[3] = Vec3(0.0, 1.0, 0.0);
    planeNormals[4] = Vec3(0.0, -1.0, 0.0);
    // As the window sets its tracers up.
    SetUpView(scene, 100.0f, static_cast<float>(scene.screenWidth) / static_cast<float>(scene.screenHeight), 0.01f);
    SetRoom(scene);
    LoadScene(scene);
    eye = inputs.eye;
    reflectionsOn = inputs.reflectionsOn;
    colouredShadowsOn = inputs.colouredShadowsOn;
    environment = inputs.kind == ViewInputs::Kind::Environment;
    for (unsigned i = 0; i < sphereCount && i < inputs.sphereCount; ++i)
        sphereCentres[i] = inputs.sphereCentres[i];
}

void ReferenceTracer::SetUpView(const Scene& scene, float fieldOfView, float aspect, float nearDistance)
{
    const float a = static_cast<float>((static_cast<double>(fieldOfView) / 2.0) * (static_cast<double>(pi) / 180.0));
    top = static_cast<float>(std::tan(static_cast<double>(a)) * nearDistance);
    right = aspect * top;
    bottom = -top;
    left = -right;
    nearZ = -nearDistance;
    columns = scene.screenWidth;
    rows = scene.screenHeight;
    // The centre table holds five spheres: the first five are traced.
    sphereCount = scene.sphereCount < 5 ? scene.sphereCount : 5;
    depthLimit = scene.rayTraceDepth;
    for (unsigned i = 0; i < sphereCount && 3 * i + 2 < scene.sphereCentres.size(); ++i)
        sphereCentres[i] =
            Vec4(scene.sphereCentres[3 * i], scene.sphereCentres[3 * i + 1], scene.sphereCentres[3 * i + 2], 1.0f);
}

// One coordinate of each plane's point from the scene's plane points (by
// number, from 0); the back wall is at -30 whatever the scene says.
void ReferenceTracer::SetRoom(const Scene& scene)
{
    const std::vector<float>& p = scene.planePoints;
    planePoints[0].x = p[3 * 0];
    planePoints[1].x = p[3 * 9];
    planePoints[2].z = -30.0;
    planePoints[3].y = p[3 * 17 + 1];
    planePoints[4].y = p[3 * 13 + 2];
}

void ReferenceTracer::LoadScene(const Scene& scene)
{
    lightCount = scene.lightCount;
    planePointCount = scene.planePointCount;
    const std::size_t planes = planePointCount / 4;
    lightPositions = Copied(scene.lightPositions, 3 * std::size_t(lightCount));
    lightColours = Copied(scene.lightColours, 9 * std::size_t(lightCount));
    sphereRadii = Copied(scene.sphereRadii, sphereCount);
    sphereMaterials = Copied(scene.sphereMaterials, 9 * std::size_t(sphereCount));
    sphereExponents = Copied(scene.sphereExponents, sphereCount);
    planeMaterials = Copied(scene.planeMaterials, 9 * planes);
    planeExponents = Copied(scene.planeExponents, planes);
}

void ReferenceTracer::Render()
{
    points.clear();
    for (row = 0; row < rows; ++row) {
        for (column = 0; column < columns; ++column) {
            Vec3 a, b, c;
            SetUpPixel(a, b, c);
            const Vec3 direction = ((a + b) + c) - eye;
            if (environment) {
                envDir = direction;
                envDir.Normalize();
                envDirUnit = envDir;
                if (!BendOffEnvironment())
                    continue;  // the pixel keeps the clear colour
            } else {
                rayDir = direction;
                rayDir.Normalize();
                primaryDir = rayDir;
            }
            TraceRoomAndSpheres();
        }
    }
}

void ReferenceTracer::TraceRay(const Vec3& direction)
{
    rayDir = direction;
    primaryDir = direction;
    TraceRoomAndSpheres();
}

void ReferenceTracer::SetUpPixel(Vec3& a, Vec3& b, Vec3& c)
{
    axisX = Vec3(1.0, 0.0, 0.0);
    axisY = Vec3(0.0, 1.0, 0.0);
    axisZ = Vec3(0.0, 0.0, -1.0);
    axisZ.ScaleFrom(axisZ, nearZ);
    c = axisZ;
    // Samples sit on pixel edges: column 0 is exactly `left`.
    pixelX = static_cast<double>(2 * column) / static_cast<double>(columns) * right + left;
    axisX.ScaleFrom(axisX, pixelX);
    a = axisX;
    pixelY = static_cast<double>(2 * row) / static_cast<double>(rows) * top + bottom;
    axisY.ScaleFrom(axisY, pixelY);
    b = axisY;
}

void ReferenceTracer::Mirror(Vec3& direction, Vec3& normal)
{
    const double d = Dot(direction, normal);
    normal.ScaleFrom(normal, d);
    normal.ScaleFrom(normal, 2.0);
    direction = direction - normal;
    direction.Normalize();
}

// The environment sphere: radius 7 (49 squared), centre (0, 0, -17).
bool ReferenceTracer::BendOffEnvironment()
{
    const Vec3 envSphere(0.0, 0.0, -17.0);
    const Vec3 eyeFromSphere = eye - envSphere;
    envDir.ScaleFrom(envDir, 2.0);
    const double b = Dot(envDir, eyeFromSphere);
    envDir = envDirUnit;
    const double c = Dot(eyeFromSphere, eyeFromSphere) - 49.0;
    const double disc = b * b - 4.0 * c;
    if (disc < 0.0)
        return false;
    const double t = disc == 0.0 ? -b / 2.0 : (-b - std::sqrt(disc)) / 2.0;
    envDir.ScaleFrom(envDir, t);
    envHitPoint = eye + envDir;
    envDir = envDirUnit;
    // The normal keeps its length of 7: the bend is d - 2 (d . N) N.
    envNormal = envHitPoint - envSphere;
    Mirror(envDir, envNormal);
    rayDir = envDir;
    primaryDir = rayDir;
    envDir = envDirUnit;
    return true;
}

void ReferenceTracer::TraceRoomAndSpheres()
{
    for (int k = 0; k < RoomPlanes; ++k) {
        // A plane that rejected its hit leaves rayDir scaled; the next plane's
        // test uses it as it stands.
        if (Dot(rayDir, planeNormals[k]) != 0.0)
            TracePlane(planePoints[k], planeNormals[k], k);
    }
    rayDir = primaryDir;
    for (unsigned i = 0; i < sphereCount; ++i)
        ShadeSphere(SphereCentre(i), i);
}

void ReferenceTracer::TracePlane(const Vec3& planePoint, const Vec3& planeNormal, int k)
{
    // The sign of t is not tested: hits on either side of the eye count.
    const double t = Dot(planePoint - eye, planeNormal) / Dot(rayDir, planeNormal);
    rayDir.ScaleFrom(rayDir, t);
    hitPoint = eye + rayDir;
    if (!InsideRoomFace(hitPoint, k) || BeyondDepth(hitPoint))
        return;  // rayDir stays scaled by t
    rayDir = primaryDir;

    normal = planeNormal;
    normal.Normalize();
    PlanePattern(hitPoint, k);
    for (unsigned j = 0; j < lightCount; ++j) {
        SetLightTerms(j, planeExponents[k]);
        // The first blocking sphere in index order casts the shadow. With no
        // spheres the flag keeps its last value.
        for (unsigned m = 0; m < sphereCount; ++m) {
            if (SphereOnLine(hitPoint, lightDir, m)) {
                lightBlocked = true;
                BlockerColour(hitPoint, lightDir, m, m, planeShadowColour);
                break;
            }
            lightBlocked = false;
        }
        for (int c = 0; c < 3; ++c) {
            const double term =
                PlaneLightTerm(j, k, c, lightBlocked, planeShadowColour[c], diffuseTerm, specularTerm);
            colour[c] = static_cast<float>(term + colour[c]);
        }
    }
    PlotPoint(colour[0], colour[1], colour[2]);
    colour[0] = colour[1] = colour[2] = 0.0f;
}

// Unshadowed: (La Ma + tint Ld Md diffuse) + Ls Ms specular; shadowed:
// La Ma + the blocker's colour.
double ReferenceTracer::PlaneLightTerm(unsigned j, int k, int c, bool blocked, float shadow, double diffuse,
                                       double specular) const
{
    const float* l = &lightColours[9 * static_cast<std::size_t>(j)];
    const float* m = &planeMaterials[9 * static_cast<std::size_t>(k)];
    if (blocked)
        return static_cast<double>(l[c]) * m[c] + shadow;
    return (static_cast<double>(l[c]) * m[c] + static_cast<double>(planeTint[c]) * l[3 + c] * m[3 + c] * diffuse) +
           static_cast<double>(l[6 + c]) * m[6 + c] * specular;
}

void ReferenceTracer::ShadeSphere(const Vec3& centre, unsigned i)
{
    const Vec3 centreToEye = eye - centre;
    rayDir.ScaleFrom(rayDir, 2.0);
    const double b = Dot(rayDir, centreToEye);
    rayDir = primaryDir;
    const float radiusSquared = sphereRadii[i] * sphereRadii[i];
    const double c = Dot(centreToEye, centreToEye) - radiusSquared;
    const double disc = b * b - 4.0 * c;
    if (disc < 0.0)
        return;
    // The smaller root, whatever its sign.
    const double t = disc == 0.0 ? -b / 2.0 : (-b - std::sqrt(disc)) / 2.0;
    rayDir = primaryDir;
    rayDir.ScaleFrom(rayDir, t);
    hitPoint = eye + rayDir;
    rayDir = primaryDir;
    if (BeyondDepth(hitPoint))
        return;
    normal = hitPoint - centre;
    normal.Normalize();
    const Vec3 unitNormal = normal;

    // The unit mirror image of the primary direction about the normal.
    Mirror(rayDir, normal);
    reflectDir = rayDir;
    rayDir = primaryDir;
    normal = unitNormal;

    if (reflectionsOn) {
        // One plot for every room plane the reflection faces, all at the
        // same position.
        for (int q = 0; q < RoomPlanes; ++q) {
            if (Dot(reflectDir, planeNormals[q]) < 0.0) {
                ReflectedColour(hitPoint, q);
                SumSphereLights(i, true);
                for (int ch = 0; ch < 3; ++ch)
                    colour[ch] = colour[ch] + reflectedColour[ch];
                PlotPoint(colour[0], colour[1], colour[2]);
                colour[0] = colour[1] = colour[2] = 0.0f;
            } else {
                reflectedColour[0] = reflectedColour[1] = reflectedColour[2] = 0.0f;
            }
        }
    } else {
        SumSphereLights(i, false);
        PlotPoint(colour[0], colour[1], colour[2]);
        colour[0] = colour[1] = colour[2] = 0.0f;
    }
    reflectedColour[0] = reflectedColour[1] = reflectedColour[2] = 0.0f;
}

void ReferenceTracer::SumSphereLights(unsigned i, bool withShadowColour)
{
    const float* material = &sphereMaterials[9 * static_cast<std::size_t>(i)];
    for (unsigned j = 0; j < lightCount; ++j) {
        SetLightTerms(j, sphereExponents[i]);
        const bool blocked = SphereShadow(hitPoint, lightDir, i);
        const float* l = &lightColours[9 * static_cast<std::size_t>(j)];
        for (int ch = 0; ch < 3; ++ch) {
            double term = static_cast<double>(l[ch]) * material[ch];
            if (!blocked)
                term = (term + static_cast<double>(l[3 + ch]) * material[3 + ch] * diffuseTerm) +
                       static_cast<double>(l[6 + ch]) * material[6 + ch] * specularTerm;
            else if (withShadowColour)
                term = term + sphereShadowColour[ch];
            colour[ch] = static_cast<float>(term + colour[ch]);
        }
    }
}

void ReferenceTracer::SetLightTerms(unsigned j, double exponent)
{
    const Terms terms = LightTerms(hitPoint, j, rayDir, normal, exponent);
    lightDir = terms.lightDir;
    viewDir = terms.viewDir;
    shadeNormal = terms.shadeNormal;
    diffuseTerm = terms.diffuse;
    specularTerm = terms.specular;
}

ReferenceTracer::Terms ReferenceTracer::LightTerms(const Vec3& point, unsigned j, const Vec3& view,
                                                   const Vec3& surfaceNormal, double exponent) const
{
    const float* p = &lightPositions[3 * static_cast<std::size_t>(j)];
    Terms terms;
    terms.lightDir = Vec3(p[0], p[1], p[2]) - point;
    terms.viewDir = view;
    terms.shadeNormal = surfaceNormal;
    // The half vector is formed before either direction is normalised.
    Vec3 half = terms.lightDir + terms.viewDir;
    terms.lightDir.Normalize();
    terms.viewDir.Normalize();
    terms.shadeNormal.Normalize();
    half.Normalize();
    terms.diffuse = Dot(terms.lightDir, terms.shadeNormal);
    if (terms.diffuse < 0.0)
        terms.diffuse = 0.0;
    double s = Dot(half, terms.shadeNormal);
    if (s < 0.0)
        s = 0.0;
    terms.specular = std::pow(s, exponent);
    return terms;
}

// The colour blocking sphere m shows where the line from `origin` along
// `direction` enters it: its unshadowed light sum there, with the exponent of
// sphere e.
void ReferenceTracer::BlockerColour(const Vec3& origin, const Vec3& direction, unsigned m, unsigned e,
                                    float out[3]) const
{
    const Vec3 entry = LineEntry(origin, direction, m);
    const Vec3 entryNormal = entry - SphereCentre(m);
    const float* material = &sphereMaterials[9 * static_cast<std::size_t>(m)];
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (unsigned j = 0; j < lightCount; ++j) {
        const Terms terms = LightTerms(entry, j, direction, entryNormal, sphereExponents[e]);
        const float* l = &lightColours[9 * static_cast<std::size_t>(j)];
        for (int c = 0; c < 3; ++c)
            sum[c] = static_cast<float>((static_cast<double>(l[c]) * material[c] +
                                         static_cast<double>(l[3 + c]) * material[3 + c] * terms.diffuse) +
                                        static_cast<double>(l[6 + c]) * material[6 + c] * terms.specular + sum[c]);
    }
    out[0] = sum[0];
    out[1] = sum[1];
    out[2] = sum[2];
}

bool ReferenceTracer::SphereShadow(const Vec3& origin, const Vec3& direction, unsigned i)
{
    for (unsigned m = 0; m < sphereCount; ++m) {
        if (m == i || !SphereOnLine(origin, direction, m))
            continue;
        // The blocker's material with the shaded sphere's exponent.
        if (colouredShadowsOn)
            BlockerColour(origin, direction, m, i, sphereShadowColour);
        else
            sphereShadowColour[0] = sphereShadowColour[1] = sphereShadowColour[2] = 0.0f;
        return true;
    }
    sphereShadowColour[0] = sphereShadowColour[1] = sphereShadowColour[2] = 0.0f;
    return false;
}

void ReferenceTracer::ReflectedColour(const Vec3& hit, int q)
{
    Vec3 point;
    if (!ReflectedPlanePoint(hit, planePoints[q], planeNormals[q], q, point))
        return;  // reflectedColour keeps the previous plane's value
    Vec3 hitNormal = planeNormals[q];
    hitNormal.Normalize();
    PlanePattern(point, q);
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (unsigned j = 0; j < lightCount; ++j) {
        // The view direction is the reflected ray as it now stands, scaled.
        const Terms terms = LightTerms(point, j, reflectDir, hitNormal, planeExponents[q]);
        bool inShadow = false;
        unsigned blocker = 0;
        for (unsigned m = 0; m < sphereCount; ++m) {
            if (SphereOnLine(point, terms.lightDir, m)) {
                inShadow = true;
                blocker = m;
                break;
            }
        }
        float shadow[3] = {0.0f, 0.0f, 0.0f};
        if (inShadow)
            BlockerColour(point, terms.lightDir, blocker, blocker, shadow);
        for (int c = 0; c < 3; ++c)
            sum[c] = static_cast<float>(PlaneLightTerm(j, q, c, inShadow, shadow[c], terms.diffuse, terms.specular) +
                                        sum[c]);
    }
    reflectedColour[0] = sum[0];
    reflectedColour[1] = sum[1];
    reflectedColour[2] = sum[2];
}

bool ReferenceTracer::ReflectedPlanePoint(const Vec3& origin, const Vec3& planePoint, const Vec3& planeNormal, int q,
                                          Vec3& point)
{
    const double t = Dot(planePoint - origin, planeNormal) / Dot(reflectDir, planeNormal);
    // Not restored: the next plane of the same sphere point works with the
    // scaled vector.
    reflectDir.ScaleFrom(reflectDir, t);
    point = origin + reflectDir;
    return InsideRoomFace(point, q) && !BeyondDepth(point);
}

bool ReferenceTracer::InsideRoomFace(const Vec3& point, int k) const
{
    const double xMin = planePoints[0].x, xMax = planePoints[1].x;
    const double zMin = planePoints[2].z, zMax = nearZ;
    const double yMin = planePoints[3].y, yMax = planePoints[4].y;
    // "Outside" tests, so that a coordinate that is not a number counts as
    // inside. All bounds are inclusive.
    if (k == 0 || k == 1)
        return !(point.z < zMin || point.z > zMax || point.y > yMax || point.y < yMin);
    if (k == 2)
        return !(point.x < xMin || point.x > xMax || point.y > yMax || point.y < yMin);
    return !(point.z < zMin || point.z > zMax || point.x > xMax || point.x < xMin);
}

bool ReferenceTracer::BeyondDepth(const Vec3& point) const
{
    return !(depthLimit < point.z);
}

bool ReferenceTracer::SphereOnLine(Vec3 origin, Vec3 direction, unsigned m) const
{
    const Vec3 fromCentre = origin - SphereCentre(m);
    direction.ScaleFrom(direction, 2.0);
    const double b = Dot(direction, fromCentre);
    const float radiusSquared = sphereRadii[m] * sphereRadii[m];
    const double c = Dot(fromCentre, fromCentre) - radiusSquared;
    return !(b * b - 4.0 * c < 0.0);
}

Vec3 ReferenceTracer::LineEntry(Vec3 origin, Vec3 direction, unsigned m) const
{
    const Vec3 fromCentre = origin - SphereCentre(m);
    Vec3 doubled = direction;
    doubled.ScaleFrom(doubled, 2.0);
    const double b = Dot(doubled, fromCentre);
    const float radiusSquared = sphereRadii[m] * sphereRadii[m];
    const double c = Dot(fromCentre, fromCentre) - radiusSquared;
    const double disc = b * b - 4.0 * c;
    const double t = disc == 0.0 ? -b / 2.0 : (-b - std::sqrt(disc)) / 2.0;
    return origin + Scaled(direction, t);
}

void ReferenceTracer::PlanePattern(const Vec3& point, int k)
{
    if (k <= 2) {
        // Walls: red bands between -10 and -5 and between 0 and 5, yellow elsewhere.
        const double y = point.y;
        if ((-10.0 < y && y < -5.0) || (0.0 < y && y < 5.0))
            SetTint(planeTint, 1.0f, 0.0f, 0.0f);
        else
            SetTint(planeTint, 1.0f, 1.0f, 0.0f);
        return;
    }
    const std::int32_t x = Truncate(point.x);
    const std::int32_t z = Truncate(point.z);
    if (k == 3) {
        // Floor: a checkerboard of white and red on a grid of four units.
        if ((x % 4 == 0) == (z % 4 == 0))
            SetTint(planeTint, 1.0f, 1.0f, 1.0f);
        else
            SetTint(planeTint, 1.0f, 0.0f, 0.0f);
        return;
    }
    // Ceiling: four colours on a grid of three units.
    const bool a = x % 3 == 0;
    const bool b = z % 3 == 0;
    if (a && b)
        SetTint(planeTint, 0.0f, 1.0f, 1.0f);
    else if (a)
        SetTint(planeTint, 1.0f, 0.0f, 0.0f);
    else if (b)
        SetTint(planeTint, 1.0f, 1.0f, 0.0f);
    else
        SetTint(planeTint, 0.0f, 1.0f, 0.0f);
}

void ReferenceTracer::PlotPoint(float red, float green, float blue)
{
    points.push_back(PlotRecord{red, green, blue, static_cast<float>(hitPoint.x), static_cast<float>(hitPoint.y),
                                static_cast<float>(hitPoint.z)});
}

}  // namespace glintwork
