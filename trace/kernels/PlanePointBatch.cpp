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

#ifndef GLINTWORK_PLANEPOINTBATCH_ARRAYS
#define GLINTWORK_PLANEPOINTBATCH_ARRAYS
namespace glintwork {
// What the kernel reads and writes.
struct PlanePointArrays {
    unsigned points;
    unsigned lights;
    PlanePointBatch::Work work;
    const double* point[3];
    const double* normal[3];
    const double* view[3];
    const double* position;  // x, y, z per light
    const SphereSet* spheres;
    // Per light, PlanePointBatch::Padded entries.
    double* dir[3];
    double* diffuse;
    double* specularBase;
    unsigned* onLine;     // per light and sphere
    unsigned* anyOnLine;  // per light
    // Where not null, the powers approximated by squaring (ApproximatePower)
    // with exponents of at most powerBits bits, and per light a bit per
    // point where they are not.
    const double* exponent;  // per point
    int powerBits;
    double* power;              // per light, PlanePointBatch::Padded entries
    unsigned* notApproximated;  // per light
};
}  // namespace glintwork
#endif

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

// The widest vectors: a batch most often holds the plane points of
// twenty-four pixels or so, one each, and its vectors are independent of each other, so
// their divisions and square roots overlap.
void ComputePlanePoints(const PlanePointArrays& b)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    const unsigned lanes = static_cast<unsigned>(hn::Lanes(d));
    const SphereSet& s = *b.spheres;
    const bool lineTests = b.work == PlanePointBatch::Work::Everything;
    for (unsigned first = 0; first < b.points; first += lanes) {
        const unsigned valid = b.points - first >= lanes ? (1u << lanes) - 1u : (1u << (b.points - first)) - 1u;
        V p[3], n[3], v[3];
        for (int a = 0; a < 3; ++a) {
            p[a] = hn::LoadU(d, b.point[a] + first);
            n[a] = hn::LoadU(d, b.normal[a] + first);
            v[a] = hn::LoadU(d, b.view[a] + first);
        }
        SquaredExponents<D> exponents;
        if (b.power)
            exponents = SquaredExponents<D>(d, hn::LoadU(d, b.exponent + first));
        // Per sphere: what depends on the point alone, the same for every light.
        V f[SphereSet::MaxSpheres][3], c[SphereSet::MaxSpheres];
        for (unsigned m = 0; m < (lineTests ? s.count : 0); ++m)
            SphereTerms<L>(p, s.centre[m], s.radiusSquared[m], f[m], c[m]);
        for (unsigned j = 0; j < b.lights; ++j) {
            V light[3], dir[3], diffuse;
            for (int a = 0; a < 3; ++a)
                light[a] = L::Set(b.position[3 * std::size_t(j) + a]);
            const std::size_t out = j * std::size_t(PlanePointBatch::Padded) + first;
            if (lineTests || b.work == PlanePointBatch::Work::Shading) {
                V half[3], specularBase;
                LightTerms<L>(light, p, v, n, dir, half, diffuse, specularBase);
                hn::StoreU(specularBase, d, b.specularBase + out);
                if (b.power) {
                    typename L::M approximated;
                    hn::StoreU(ApproximatePower(d, specularBase, exponents, b.powerBits, approximated), d,
                               b.power + out);
                    const unsigned missed = ~MaskBits(d, approximated) & valid;
                    b.notApproximated[j] = first == 0 ? missed : b.notApproximated[j] | missed << first;
                }
                hn::StoreU(diffuse, d, b.diffuse + out);
            } else if (b.work == PlanePointBatch::Work::Diffuse) {
                UnitLightDir<L>(light, p, dir);
                diffuse = DiffuseFactor<L>(dir, n);
                hn::StoreU(diffuse, d, b.diffuse + out);
            } else if ((b.anyOnLine[j] >> first & valid) != 0) {
                UnitLightDir<L>(light, p, dir);
            } else {
                continue;  // no blocked light here: nothing of this light is read
            }
            for (int a = 0; a < 3; ++a)
                hn::StoreU(dir[a], d, b.dir[a] + out);

            if (!lineTests)
                continue;
            const V doubled[3] = {L::Set(2.0) * dir[0], L::Set(2.0) * dir[1], L::Set(2.0) * dir[2]};
            unsigned* lines = b.onLine + j * std::size_t(SphereSet::MaxSpheres);
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

void PlanePointBatch::SetLights(const std::vector<float>& positions, unsigned count)
{
    lightCount = count;
    position = LightPositions(positions, count);
    const std::size_t entries = std::size_t(count) * Padded;
    for (std::vector<double>& v : dir)
        v.assign(entries, 0.0);
    diffuse.assign(entries, 0.0);
    specularBase.assign(entries, 0.0);
    power.assign(entries, 0.0);
    onLine.assign(std::size_t(count) * MaxSpheres, 0u);
    anyOnLine.assign(count, 0u);
    notApproximated.assign(count, 0u);
    blocked = 0;
}

void PlanePointBatch::SetSpheres(const SphereSet& set)
{
    spheres = set;
}

unsigned PlanePointBatch::Add(const Vec3& p, const Vec3& n, const Vec3& v, double e)
{
    const unsigned i = points++;
    exponent[i] = e;
    largestExponent = e > largestExponent ? e : largestExponent;
    point[0][i] = p.x;
    point[1][i] = p.y;
    point[2][i] = p.z;
    normal[0][i] = n.x;
    normal[1][i] = n.y;
    normal[2][i] = n.z;
    view[0][i] = v.x;
    view[1][i] = v.y;
    view[2][i] = v.z;
    return i;
}

void PlanePointBatch::PowsOf(unsigned light, unsigned which)
{
    const std::size_t row = light * std::size_t(Padded);
    for (unsigned bits = which & PointBits(); bits != 0; bits &= bits - 1) {
        const unsigned p = static_cast<unsigned>(__builtin_ctz(bits));
        power[row + p] = SpecularPower(specularBase[row + p], exponent[p]);
    }
}

void PlanePointBatch::ComputePowers(bool all)
{
    for (unsigned j = 0; j < lightCount; ++j)
        PowsOf(j, all ? ~0u : ~anyOnLine[j]);
}

void PlanePointBatch::ExactPowers(unsigned which)
{
    for (unsigned j = 0; j < lightCount; ++j)
        PowsOf(j, which & ~anyOnLine[j]);
}

void PlanePointBatch::ClearOnLine()
{
    std::fill(onLine.begin(), onLine.end(), 0u);
    std::fill(anyOnLine.begin(), anyOnLine.end(), 0u);
    blocked = 0;
}

void PlanePointBatch::Compute(Work work, bool approximatePowers)
{
    const bool approximate = approximatePowers && (work == Work::Everything || work == Work::Shading);
    powersSquared = approximate;
    const glintwork::PlanePointArrays b{points,
                                        lightCount,
                                        work,
                                        {point[0], point[1], point[2]},
                                        {normal[0], normal[1], normal[2]},
                                        {view[0], view[1], view[2]},
                                        position.data(),
                                        &spheres,
                                        {dir[0].data(), dir[1].data(), dir[2].data()},
                                        diffuse.data(),
                                        specularBase.data(),
                                        onLine.data(),
                                        anyOnLine.data(),
                                        exponent,
                                        SquaringBits(largestExponent),
                                        approximate ? power.data() : nullptr,
                                        notApproximated.data()};
    HWY_DYNAMIC_DISPATCH(glintwork::ComputePlanePoints)(b);
    if (work == Work::Everything) {
        blocked = 0;
        for (unsigned light = 0; light < lightCount; ++light)
            blocked |= anyOnLine[light];
    }
    if (approximate) {
        // pow's powers where squaring gives none, of the lights no sphere blocks.
        for (unsigned j = 0; j < lightCount; ++j)
            PowsOf(j, notApproximated[j] & ~anyOnLine[j]);
    }
}
}  // namespace glintwork
#endif
