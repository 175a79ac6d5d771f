// The colours of the fast path's sphere points: the sphere's own light sum
// with the shadows other spheres cast on it, and the room it reflects (whose
// points take the room points' own stage, PlaneShading.cpp). No test uses
// an epsilon; every comparison is exact, with the strictness written here.

#include "trace/kernels/LightTerms.h"
#include "trace/tracers/RoomTracer.h"

namespace glintwork {

void RoomTracer::PrepareSphereBatch()
{
    SphereBatch::Room room;
    const Vec3& eye = inputs.eye;
    const double e[3] = {eye.x, eye.y, eye.z};
    for (int a = 0; a < 3; ++a) {
        room.eye[a] = e[a];
        room.low[a] = setUp.FaceLow()[a];
        room.high[a] = setUp.FaceHigh()[a];
    }
    for (int q = 0; q < RoomSetUp::RoomPlanes; ++q) {
        const Vec3& point = setUp.PlanePoint(q);
        const Vec3& normal = setUp.PlaneNormal(q);
        const double p[3] = {point.x, point.y, point.z}, n[3] = {normal.x, normal.y, normal.z};
        for (int a = 0; a < 3; ++a) {
            room.point[q][a] = p[a];
            room.normal[q][a] = n[a];
        }
    }
    room.depthLimit = setUp.DepthLimit();
    scratch.spheres.SetRoom(room, sphereSet);
}

void RoomTracer::ShadeSphereBatch()
{
    // Only the points drawn with reflections on show the room and the
    // colours of their blockers.
    if (!inputs.reflectionsOn)
        return;
    const SphereBatch& batch = scratch.spheres;
    // The room points the entries show: the room points' own stage, a batch
    // of them at a time, with the plane's normal and exponent, seen along
    // the mirrored ray as it arrives there.
    constexpr unsigned Group = TraceScratch::ReflectedGroup;
    PlanePointBatch& shown = scratch.planePoints[Group];
    std::uint8_t planes[PlanePointBatch::MaxPoints];
    unsigned entryOf[PlanePointBatch::MaxPoints];
    const unsigned start = 0;
    const auto shade = [&] {
        if (shown.Points() == 0)
            return;
        ShadePlanePoints(Group, 1, planes, &start, PlaneWork{});
        for (unsigned p = 0; p < shown.Points(); ++p) {
            for (int c = 0; c < 3; ++c)
                scratch.reflected[c][entryOf[p]] = scratch.sumInputs.sums[Group][c][p];
        }
        shown.Clear();
    };
    shown.Clear();
    for (unsigned n = 0; n < batch.Count(); ++n) {
        if (!batch.Hit(n) || !batch.Plots(n) || !batch.ShowsPlane(n))
            continue;
        const int q = batch.ShownPlane(n);
        const unsigned p = shown.Add(batch.ShownPoint(n), setUp.PlaneNormal(q), batch.ShownRay(n),
                                     setUp.PlaneExponent(q));
        planes[p] = static_cast<std::uint8_t>(q);
        entryOf[p] = n;
        if (shown.Points() == PlanePointBatch::MaxPoints)
            shade();
    }
    shade();
    // The colours of the spheres that block the entries' lights (the
    // blocker's material with the shaded sphere's exponent).
    if (!inputs.colouredShadowsOn)
        return;
    constexpr std::size_t Capacity = SphereBatch::Capacity;
    for (unsigned n = 0; n < batch.Count(); ++n) {
        if (!batch.Hit(n) || !batch.Plots(n))
            continue;
        const Vec3 hitPoint = batch.HitPoint(n);
        const double point[3] = {hitPoint.x, hitPoint.y, hitPoint.z};
        for (unsigned j = 0; j < lightCount; ++j) {
            const int m = batch.Blocker(j, n);
            if (m >= 0)
                QueueBlocker(point, batch.LightDir(j, n), static_cast<unsigned>(m), batch.Sphere(n),
                             scratch.sphereShadows.data() + j * Capacity + n, lightCount * Capacity);
        }
    }
    FlushBlockers();
}

void RoomTracer::ShadeSphere(unsigned n)
{
    const SphereBatch& batch = scratch.spheres;
    if (!batch.Hit(n))
        return;
    const unsigned i = batch.Sphere(n);
    const Vec3 hitPoint = batch.HitPoint(n);
    const LightTables& tables = setUp.Tables();
    constexpr std::size_t Capacity = SphereBatch::Capacity;
    float colour[3] = {0.0f, 0.0f, 0.0f};

    // Sums the light terms of every light into `colour`; a light another
    // sphere blocks gives its ambient product plus, with reflections on, the
    // colour that sphere shows (with this sphere's exponent; 0 with coloured
    // shadows off).
    auto sumLights = [&](bool withShadowColour) {
        for (unsigned j = 0; j < lightCount; ++j) {
            if (batch.Blocker(j, n) < 0) {
                AddSphereLight(j, i, i, batch.Diffuse(j, n), batch.SpecularBase(j, n), colour);
                continue;
            }
            for (int ch = 0; ch < 3; ++ch) {
                const double ambient = tables.OnSphere(j, LightTables::SphereAmbient, ch, i);
                const float shadow = withShadowColour && inputs.colouredShadowsOn
                                         ? scratch.sphereShadows[(ch * lightCount + j) * Capacity + n]
                                         : 0.0f;
                const double term = withShadowColour ? ShadowedTerm<OneLane>(ambient, shadow) : ambient;
                colour[ch] = static_cast<float>(AddedToFloatSum<OneLane>(term, colour[ch]));
            }
        }
    };

    if (inputs.reflectionsOn) {
        // Drawn only if some plane faces the mirrored ray; the sphere's own
        // light sum plus the room point it shows (0 where it shows none).
        if (!batch.Plots(n))
            return;
        sumLights(true);
        for (int ch = 0; ch < 3; ++ch)
            colour[ch] = colour[ch] + (batch.ShowsPlane(n) ? scratch.reflected[ch][n] : 0.0f);
    } else {
        sumLights(false);
    }
    PlotPoint(hitPoint.x, hitPoint.y, hitPoint.z, colour[0], colour[1], colour[2]);
}

void RoomTracer::AddSphereLight(unsigned j, unsigned m, unsigned e, double diffuse, double base, float sum[3]) const
{
    const LightTables& t = setUp.Tables();
    const double power = SpecularPowerSeen(base, setUp.SphereExponents()[e], t.Cutoff(j, m, e));
    for (int c = 0; c < 3; ++c) {
        const double term =
            LightTerm<OneLane>(t.OnSphere(j, LightTables::SphereAmbient, c, m), t.OnSphere(j, LightTables::SphereDiffuse, c, m),
                               t.OnSphere(j, LightTables::SphereSpecular, c, m), diffuse, power);
        sum[c] = static_cast<float>(AddedToFloatSum<OneLane>(term, sum[c]));
    }
}

}  // namespace glintwork
