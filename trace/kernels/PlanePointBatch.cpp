// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/PlanePointBatch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "trace/kernels/ApproximatePowers-inl.h"
#include "trace/kernels/LightTerms.h"
#include "trace/kernels/PlanePointBatch.h"
#include "trace/kernels/VectorLanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

// The widest vectors: a batch most often holds the plane points of
// twenty-four pixels or so, one each, and its vectors are independent of each other, so
// their divisions and square roots overlap.
void ComputePlanePoints(const LightTables& t, PlanePointBatch::Work work, int powerBits, bool approximate,
                        const SphereSet& s, PlanePointBatch::Lanes& b)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    const unsigned lanes = static_cast<unsigned>(hn::Lanes(d));
    const bool lineTests = work == PlanePointBatch::Work::Everything;
    for (unsigned first = 0; first < b.points; first += lanes) {
        const unsigned valid = b.points - first >= lanes ? (1u << lanes) - 1u : (1u << (b.points - first)) - 1u;
        V p[3], n[3], v[3];
        for (int a = 0; a < 3; ++a) {
            p[a] = hn::LoadU(d, b.point[a] + first);
            n[a] = hn::LoadU(d, b.normal[a] + first);
            v[a] = hn::LoadU(d, b.view[a] + first);
        }
        SquaredExponents<D> exponents;
        if (approximate)
            exponents = SquaredExponents<D>(d, hn::LoadU(d, b.exponent + first));
        // Per sphere: what depends on the point alone, the same for every light.
        V f[SphereSet::MaxSpheres][3], c[SphereSet::MaxSpheres];
        for (unsigned m = 0; m < (lineTests ? s.count : 0); ++m)
            SphereTerms<L>(p, s.centre[m], s.radiusSquared[m], f[m], c[m]);
        for (unsigned j = 0; j < t.Lights(); ++j) {
            V light[3], dir[3], diffuse;
            for (int a = 0; a < 3; ++a)
                light[a] = L::Set(t.Positions()[3 * std::size_t(j) + a]);
            const std::size_t out = j * std::size_t(PlanePointBatch::Padded) + first;
            if (lineTests || work == PlanePointBatch::Work::Shading) {
                V half[3], specularBase;
                LightTerms<L>(light, p, v, n, dir, half, diffuse, specularBase);
                hn::StoreU(specularBase, d, b.specularBase.data() + out);
                if (approximate) {
                    typename L::M approximated;
                    hn::StoreU(ApproximatePower(d, specularBase, exponents, powerBits, approximated), d,
                               b.power.data() + out);
                    const unsigned missed = ~MaskBits(d, approximated) & valid;
                    b.notApproximated[j] = first == 0 ? missed : b.notApproximated[j] | missed << first;
                }
                hn::StoreU(diffuse, d, b.diffuse.data() + out);
            } else if (work == PlanePointBatch::Work::Diffuse) {
                UnitLightDir<L>(light, p, dir);
                diffuse = DiffuseFactor<L>(dir, n);
                hn::StoreU(diffuse, d, b.diffuse.data() + out);
            } else if ((b.anyOnLine[j] >> first & valid) != 0) {
                UnitLightDir<L>(light, p, dir);
            } else {
                continue;  // no blocked light here: nothing of this light is read
            }
            for (int a = 0; a < 3; ++a)
                hn::StoreU(dir[a], d, b.dir[a].data() + out);

            if (!lineTests)
                continue;
            const V doubled[3] = {L::Set(2.0) * dir[0], L::Set(2.0) * dir[1], L::Set(2.0) * dir[2]};
            unsigned* lines = b.onLine.data() + j * std::size_t(SphereSet::MaxSpheres);
            unsigned any = 0;
            for (unsigned m = 0; m < s.count; ++m) {
                const unsigned bits = MaskBits(d, MeetsSphere<L>(doubled, f[m], c[m])) & valid;
                lines[m] = first == 0 ? bits : lines[m] | bits << first;
                any |= bits;
            }
            b.anyOnLine[j] = first == 0 ? any : b.anyOnLine[j] | any << first;
        }
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(ComputePlanePoints);

void PlanePointBatch::Fit(unsigned count)
{
    lightCount = count;
    const std::size_t entries = std::size_t(count) * Padded;
    for (std::vector<double>& v : lanes.dir)
        v.assign(entries, 0.0);
    lanes.diffuse.assign(entries, 0.0);
    lanes.specularBase.assign(entries, 0.0);
    lanes.power.assign(entries, 0.0);
    lanes.onLine.assign(std::size_t(count) * MaxSpheres, 0u);
    lanes.anyOnLine.assign(count, 0u);
    lanes.notApproximated.assign(count, 0u);
    blocked = 0;
}

unsigned PlanePointBatch::Add(const Vec3& p, const Vec3& n, const Vec3& v, double e)
{
    Lanes& b = lanes;
    const unsigned i = b.points++;
    b.exponent[i] = e;
    largestExponent = e > largestExponent ? e : largestExponent;
    b.point[0][i] = p.x;
    b.point[1][i] = p.y;
    b.point[2][i] = p.z;
    b.normal[0][i] = n.x;
    b.normal[1][i] = n.y;
    b.normal[2][i] = n.z;
    b.view[0][i] = v.x;
    b.view[1][i] = v.y;
    b.view[2][i] = v.z;
    return i;
}

void PlanePointBatch::PowsOf(unsigned light, unsigned which)
{
    const std::size_t row = light * std::size_t(Padded);
    for (unsigned bits = which & PointBits(); bits != 0; bits &= bits - 1) {
        const unsigned p = static_cast<unsigned>(__builtin_ctz(bits));
        lanes.power[row + p] = SpecularPower(lanes.specularBase[row + p], lanes.exponent[p]);
    }
}

void PlanePointBatch::ComputePowers(bool all)
{
    for (unsigned j = 0; j < lightCount; ++j)
        PowsOf(j, all ? ~0u : ~lanes.anyOnLine[j]);
}

void PlanePointBatch::ExactPowers(unsigned which)
{
    for (unsigned j = 0; j < lightCount; ++j)
        PowsOf(j, which & ~lanes.anyOnLine[j]);
}

void PlanePointBatch::ClearOnLine()
{
    std::fill(lanes.onLine.begin(), lanes.onLine.end(), 0u);
    std::fill(lanes.anyOnLine.begin(), lanes.anyOnLine.end(), 0u);
    blocked = 0;
}

void PlanePointBatch::Compute(const LightTables& tables, Work work, bool approximatePowers)
{
    const bool approximate = approximatePowers && (work == Work::Everything || work == Work::Shading);
    powersSquared = approximate;
    HWY_DYNAMIC_DISPATCH(glintwork::ComputePlanePoints)
    (tables, work, SquaringBits(largestExponent), approximate, spheres, lanes);
    if (work == Work::Everything) {
        blocked = 0;
        for (unsigned light = 0; light < lightCount; ++light)
            blocked |= lanes.anyOnLine[light];
    }
    if (approximate) {
        // pow's powers where squaring gives none, of the lights no sphere blocks.
        for (unsigned j = 0; j < lightCount; ++j)
            PowsOf(j, lanes.notApproximated[j] & ~lanes.anyOnLine[j]);
    }
}
}  // namespace glintwork
#endif
