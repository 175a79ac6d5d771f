// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/SphereBatch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "trace/kernels/SphereBatch.h"
#include "trace/kernels/VectorLanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

namespace {

using D = Full;
using L = VectorLanes<D>;
using V = typename L::V;
using M = typename L::M;

// Every light's terms at `point` seen along `view` with unit `normal`, and
// the first sphere in index order on each light's line but sphere `self`
// in each lane (-1 for none), stored from `first` on.
HWY_INLINE void LightsAt(const LightTables& t, const SphereSet& s, std::size_t first, const V point[3],
                         const V view[3], const V normal[3], V self, SphereBatch::Lanes& out)
{
    const D d;
    V f[SphereSet::MaxSpheres][3], c[SphereSet::MaxSpheres];
    for (unsigned m = 0; m < s.count; ++m)
        SphereTerms<L>(point, s.centre[m], s.radiusSquared[m], f[m], c[m]);
    for (unsigned j = 0; j < t.Lights(); ++j) {
        V light[3], dir[3], half[3], diffuse, specularBase;
        for (int a = 0; a < 3; ++a)
            light[a] = L::Set(t.Positions()[3 * std::size_t(j) + a]);
        LightTerms<L>(light, point, view, normal, dir, half, diffuse, specularBase);
        const V doubled[3] = {L::Set(2.0) * dir[0], L::Set(2.0) * dir[1], L::Set(2.0) * dir[2]};
        V blocker = L::Set(-1.0);
        for (unsigned m = s.count; m-- > 0;) {
            const V index = L::Set(static_cast<double>(m));
            const M on = L::AndNot(index == self, MeetsSphere<L>(doubled, f[m], c[m]));
            blocker = L::Select(on, index, blocker);
        }
        const std::size_t at = j * std::size_t(SphereBatch::Capacity) + first;
        for (int a = 0; a < 3; ++a)
            hn::StoreU(dir[a], d, out.lightDir[a].data() + at);
        hn::StoreU(diffuse, d, out.diffuse.data() + at);
        hn::StoreU(specularBase, d, out.specularBase.data() + at);
        hn::StoreU(blocker, d, out.blocker.data() + at);
    }
}

}  // namespace

void ComputeSpheres(const LightTables& tables, const SphereBatch::Room& r, const SphereSet& s, SphereBatch::Lanes& b)
{
    const D d;
    const V zero = L::Set(0.0), one = L::Set(1.0);
    const V eye[3] = {L::Set(r.eye[0]), L::Set(r.eye[1]), L::Set(r.eye[2])};
    for (std::size_t first = 0; first < b.entries; first += hn::Lanes(d)) {
        V dir[3], centre[3];
        const V self = hn::LoadU(d, b.sphere + first);
        V radiusSquared = zero;
        for (int a = 0; a < 3; ++a) {
            dir[a] = hn::LoadU(d, b.dir[a] + first);
            centre[a] = zero;
        }
        // Each lane's sphere, by index.
        for (unsigned m = 0; m < s.count; ++m) {
            const M is = self == L::Set(static_cast<double>(m));
            for (int a = 0; a < 3; ++a)
                centre[a] = L::Select(is, L::Set(s.centre[m][a]), centre[a]);
            radiusSquared = L::Select(is, L::Set(s.radiusSquared[m]), radiusSquared);
        }

        // The line from the eye along the doubled ray: its near root, whatever
        // its sign, unless it misses the sphere or the point is at or beyond
        // the depth limit.
        V f[3], c, root;
        SphereTermsPerLane<L>(eye, centre, radiusSquared, f, c);
        const V doubled[3] = {L::Set(2.0) * dir[0], L::Set(2.0) * dir[1], L::Set(2.0) * dir[2]};
        const V disc = Discriminant<L>(doubled, f, c, root);
        const V t = NearRoot<L>(root, disc);
        V point[3], normal[3];
        for (int a = 0; a < 3; ++a)
            point[a] = eye[a] + t * dir[a];
        const M hit = L::AndNot(disc < zero, L::Set(r.depthLimit) < point[2]);
        for (int a = 0; a < 3; ++a)
            normal[a] = point[a] - centre[a];
        Normalize3<L>(normal);

        // The unit mirror image of the ray about the normal.
        V mirrored[3] = {dir[0], dir[1], dir[2]};
        Mirror<L>(mirrored, normal);

        // The shading normalises the unit normal again.
        V unitNormal[3] = {normal[0], normal[1], normal[2]};
        Normalize3<L>(unitNormal);
        LightsAt(tables, s, first, point, dir, unitNormal, self, b);

        // The walk over the planes: a plane the ray faces takes it scaled to
        // its point; a point on the face is the current source, a rejected
        // one keeps the previous plane's, a plane the ray does not face
        // clears it; the last faced plane's source is the one shown.
        M plots = zero < zero, current = plots, shows = plots;
        V currentPlane = zero, shownPlane = zero, currentPoint[3], currentRay[3], shownPoint[3], shownRay[3];
        for (int a = 0; a < 3; ++a)
            currentPoint[a] = currentRay[a] = shownPoint[a] = shownRay[a] = zero;
#pragma GCC unroll 5
        for (int q = 0; q < SphereBatch::Planes; ++q) {
            const V axis[3] = {L::Set(r.normal[q][0]), L::Set(r.normal[q][1]), L::Set(r.normal[q][2])};
            const V facing = Dot3<L>(mirrored, axis);
            const M faced = facing < zero;
            V toPlane[3], scaled[3], at[3];
            for (int a = 0; a < 3; ++a)
                toPlane[a] = L::Set(r.point[q][a]) - point[a];
            const M taken = hn::And(
                faced, PlaneStep<L>(q, Dot3<L>(toPlane, axis), facing, point, mirrored, r.low, r.high, r.depthLimit,
                                    scaled, at));
            for (int a = 0; a < 3; ++a) {
                mirrored[a] = L::Select(faced, scaled[a], mirrored[a]);
                currentPoint[a] = L::Select(taken, at[a], currentPoint[a]);
                currentRay[a] = L::Select(taken, scaled[a], currentRay[a]);
                shownPoint[a] = L::Select(faced, currentPoint[a], shownPoint[a]);
                shownRay[a] = L::Select(faced, currentRay[a], shownRay[a]);
            }
            currentPlane = L::Select(taken, L::Set(static_cast<double>(q)), currentPlane);
            current = hn::And(faced, L::Or(taken, current));
            shownPlane = L::Select(faced, currentPlane, shownPlane);
            shows = L::Or(hn::And(faced, current), L::AndNot(faced, shows));
            plots = L::Or(plots, faced);
        }
        hn::StoreU(L::Select(hit, one, zero), d, b.hit + first);
        hn::StoreU(L::Select(plots, one, zero), d, b.plots + first);
        hn::StoreU(L::Select(shows, one, zero), d, b.shows + first);
        hn::StoreU(shownPlane, d, b.shownPlane + first);
        for (int a = 0; a < 3; ++a) {
            hn::StoreU(point[a], d, b.hitPoint[a] + first);
            hn::StoreU(shownPoint[a], d, b.shownPoint[a] + first);
            hn::StoreU(shownRay[a], d, b.shownRay[a] + first);
        }
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(ComputeSpheres);

void SphereBatch::Fit(unsigned lights)
{
    for (std::vector<double>& v : lanes.lightDir)
        v.assign(std::size_t(lights) * Capacity, 0.0);
    lanes.diffuse.assign(std::size_t(lights) * Capacity, 0.0);
    lanes.specularBase.assign(std::size_t(lights) * Capacity, 0.0);
    lanes.blocker.assign(std::size_t(lights) * Capacity, -1.0);
}

void SphereBatch::Add(const Vec3& d, unsigned i)
{
    const unsigned n = lanes.entries++;
    lanes.dir[0][n] = d.x;
    lanes.dir[1][n] = d.y;
    lanes.dir[2][n] = d.z;
    lanes.sphere[n] = i;
}

void SphereBatch::Compute(const LightTables& tables)
{
    HWY_DYNAMIC_DISPATCH(glintwork::ComputeSpheres)(tables, room, spheres, lanes);
}
}  // namespace glintwork
#endif
