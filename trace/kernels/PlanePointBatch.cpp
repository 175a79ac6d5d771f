// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/PlanePointBatch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

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

// The power x^k by squaring, for a whole exponent k from 1 to 128 (of at
// most `bits` bits) and a positive base. Rounding a square doubles the
// relative error its factor carried, so x^(2^i) carries at most 2^i - 1
// roundings' worth and the power at most k + 7 (each product one more):
// within (k + 7) 2^-53 of the exact power, and so (pow being within a unit in
// its last place of it) within 2^-45 of pow's answer, wherever the power and
// every factor on the way are normal numbers (guaranteed by a power from
// 2^-960 to 2^960: for a base below 1 the factors are larger than the power,
// above 1 smaller). `approximated` says where all that holds, and where the
// base is +0 with a positive exponent: squaring gives pow's +0 there (k is 1
// where the exponent is not whole).
template <class D>
HWY_INLINE hn::Vec<D> ApproximatePower(D d, hn::Vec<D> x, hn::Vec<D> exponent, hn::Mask<D> whole,
                                       hn::Vec<hn::RebindToSigned<D>> k, int bits, hn::Mask<D>& approximated)
{
    using V = hn::Vec<D>;
    const hn::RebindToSigned<D> di;
    const hn::RebindToUnsigned<D> du;
    V square = x;
    V power = hn::IfThenElse(hn::RebindMask(d, hn::TestBit(k, hn::Set(di, 1))), x, hn::Set(d, 1.0));
    for (int i = 1; i < bits; ++i) {
        square = hn::Mul(square, square);
        const auto has = hn::RebindMask(d, hn::TestBit(k, hn::Set(di, std::int64_t(1) << i)));
        power = hn::IfThenElse(has, hn::Mul(power, square), power);
    }
    const auto squared = hn::And(whole, hn::And(hn::Gt(x, hn::Zero(d)), hn::Lt(x, hn::Set(d, HUGE_VAL))));
    const auto zero =
        hn::And(hn::RebindMask(d, hn::Eq(hn::BitCast(du, x), hn::Zero(du))), hn::Gt(exponent, hn::Zero(d)));
    approximated = hn::Or(
        zero, hn::And(squared, hn::And(hn::Ge(power, hn::Set(d, 0x1p-960)), hn::Le(power, hn::Set(d, 0x1p960)))));
    return power;
}

// Vectors of at most four lanes: a batch holds the plane points of four
// pixels, most often one each, and the work is mostly divisions and square
// roots, whose cost grows with the lanes; a wider vector would mostly divide
// padding.
void ComputePlanePoints(const PlanePointArrays& b)
{
    using D = UpToFour;
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
        const V exponent = b.power ? hn::LoadU(d, b.exponent + first) : hn::Zero(d);
        const auto whole = hn::And(hn::And(hn::Ge(exponent, hn::Set(d, 1.0)), hn::Le(exponent, hn::Set(d, 128.0))),
                                   hn::Eq(hn::Floor(exponent), exponent));
        const auto k = hn::ConvertTo(hn::RebindToSigned<D>(), hn::IfThenElse(whole, exponent, hn::Set(d, 1.0)));
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
                    hn::StoreU(ApproximatePower(d, specularBase, exponent, whole, k, b.powerBits, approximated), d,
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
}  // namespace glintwork

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

void PlanePointBatch::ComputePowers(bool all)
{
    for (unsigned j = 0; j < lightCount; ++j) {
        const std::size_t row = j * std::size_t(Padded);
        const unsigned needed = (all ? ~0u : ~anyOnLine[j]) & PointBits();
        for (unsigned bits = needed; bits != 0; bits &= bits - 1) {
            const unsigned p = static_cast<unsigned>(__builtin_ctz(bits));
            power[row + p] = SpecularPower(specularBase[row + p], exponent[p]);
        }
    }
}

void PlanePointBatch::ExactPowers(unsigned which)
{
    for (unsigned j = 0; j < lightCount; ++j) {
        const std::size_t row = j * std::size_t(Padded);
        for (unsigned bits = which & ~anyOnLine[j] & PointBits(); bits != 0; bits &= bits - 1) {
            const unsigned p = static_cast<unsigned>(__builtin_ctz(bits));
            power[row + p] = SpecularPower(specularBase[row + p], exponent[p]);
        }
    }
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
    const double largest = std::min(largestExponent, 128.0);
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
                                        largest >= 1.0 ? 64 - __builtin_clzll(static_cast<unsigned long long>(largest))
                                                       : 1,
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
        for (unsigned j = 0; j < lightCount; ++j) {
            const std::size_t row = j * std::size_t(Padded);
            for (unsigned bits = notApproximated[j] & ~anyOnLine[j] & PointBits(); bits != 0; bits &= bits - 1) {
                const unsigned p = static_cast<unsigned>(__builtin_ctz(bits));
                power[row + p] = SpecularPower(specularBase[row + p], exponent[p]);
            }
        }
    }
}
#endif
