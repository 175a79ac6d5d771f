// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/BlockerBatch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <cstdint>

#include "trace/kernels/BlockerBatch.h"
#include "trace/kernels/LightTerms.h"
#include "trace/kernels/VectorLanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

// The entries from `first` on, a vector of them: where each line enters
// its sphere, the unit normal there and every light's terms but the power.
HWY_INLINE void EntryTerms(const LightTables& t, BlockerBatch::Lanes& b, unsigned first)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    V origin[3], direction[3], centre[3], entry[3], normal[3];
    for (int a = 0; a < 3; ++a) {
        origin[a] = hn::LoadU(d, b.origin[a].data() + first);
        direction[a] = hn::LoadU(d, b.direction[a].data() + first);
        centre[a] = hn::LoadU(d, b.centre[a].data() + first);
    }
    LineEntry<L>(origin, direction, centre, hn::LoadU(d, b.radiusSquared.data() + first), entry);
    for (int a = 0; a < 3; ++a)
        normal[a] = entry[a] - centre[a];
    Normalize3<L>(normal);
    // Lanes past the last entry count as turned away.
    const auto past = hn::Not(hn::FirstN(d, b.entries - first));
    for (unsigned j = 0; j < t.Lights(); ++j) {
        V light[3], dir[3], half[3], diffuse, specularBase;
        for (int a = 0; a < 3; ++a)
            light[a] = L::Set(t.Positions()[3 * std::size_t(j) + a]);
        const std::size_t out = j * std::size_t(b.capacity) + first;
        // Where the light and the half vector are surely behind the
        // surface in every lane (for most lights at an entry, and nearly
        // always for the light the sphere blocks), the diffuse factors
        // and the bases are +0: no square roots, no divisions.
        if (hn::AllTrue(d, L::Or(SurelyTurnedAway<L>(light, entry, direction, normal), past))) {
            hn::StoreU(L::Set(0.0), d, b.diffuse.data() + out);
            hn::StoreU(L::Set(0.0), d, b.specularBase.data() + out);
            continue;
        }
        LightTerms<L>(light, entry, direction, normal, dir, half, diffuse, specularBase);
        hn::StoreU(diffuse, d, b.diffuse.data() + out);
        hn::StoreU(specularBase, d, b.specularBase.data() + out);
    }
}

// The colours of the entries from `first` on, a vector of them: per channel
// the sum over the lights of LightTerm with its sphere's products, rounded
// to float after every light, in light order.
HWY_INLINE void EntryColours(const LightTables& t, BlockerBatch::Lanes& b, unsigned first)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    constexpr std::size_t Spheres = LightTables::Spheres;
    const ShortTablePicks<D, Spheres> bySphere(d, b.sphere.data() + first);
    V sum[3] = {L::Set(0.0), L::Set(0.0), L::Set(0.0)};
    for (unsigned j = 0; j < t.Lights(); ++j) {
        const std::size_t at = j * std::size_t(b.capacity) + first;
        const V diffuse = hn::LoadU(d, b.diffuse.data() + at);
        const V power = hn::LoadU(d, b.power.data() + at);
        const double* products = t.SphereRow(j);
        for (int c = 0; c < 3; ++c) {
            const V term = LightTerm<L>(bySphere.Of(products + (LightTables::SphereAmbient + c) * Spheres),
                                        bySphere.Of(products + (LightTables::SphereDiffuse + c) * Spheres),
                                        bySphere.Of(products + (LightTables::SphereSpecular + c) * Spheres),
                                        diffuse, power);
            sum[c] = AddedToFloatSum<L>(term, sum[c]);
        }
    }
    for (int c = 0; c < 3; ++c)
        hn::StoreU(L::DemotedToFloat(sum[c]), hn::Rebind<float, D>(), b.colour[c].data() + first);
}

// Every entry's terms, then their powers one after another (with the
// exponent each entry names; 0 where it cannot change the term), then
// their colours.
void ComputeBlockers(const LightTables& t, const double* exponents, BlockerBatch::Lanes& b)
{
    const unsigned width = static_cast<unsigned>(hn::Lanes(Full()));
    for (unsigned first = 0; first < b.entries; first += width)
        EntryTerms(t, b, first);
    for (unsigned j = 0; j < t.Lights(); ++j) {
        const std::size_t row = j * std::size_t(b.capacity);
        for (unsigned n = 0; n < b.entries; ++n) {
            const unsigned m = static_cast<unsigned>(b.sphere[n]), e = static_cast<unsigned>(b.exponentOf[n]);
            b.power[row + n] = SpecularPowerSeen(b.specularBase[row + n], exponents[e], t.Cutoff(j, m, e));
        }
    }
    for (unsigned first = 0; first < b.entries; first += width)
        EntryColours(t, b, first);
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(ComputeBlockers);

void BlockerBatch::Fit(unsigned lights)
{
    constexpr unsigned widest = HWY_MAX_BYTES / sizeof(double);
    Lanes& b = lanes;
    b.capacity = (std::max(128u, lights) + widest - 1) / widest * widest;
    b.entries = 0;
    b.sphere.assign(b.capacity, 0);
    b.exponentOf.assign(b.capacity, 0);
    for (int a = 0; a < 3; ++a) {
        b.origin[a].assign(b.capacity, 0.0);
        b.direction[a].assign(b.capacity, 0.0);
        b.centre[a].assign(b.capacity, 0.0);
        b.colour[a].assign(b.capacity, 0.0f);
    }
    b.radiusSquared.assign(b.capacity, 0.0);
    for (std::vector<double>* v : {&b.diffuse, &b.specularBase, &b.power})
        v->assign(std::size_t(lights) * b.capacity, 0.0);
}

unsigned BlockerBatch::Add(const double point[3], const double dir[3], unsigned m, unsigned e)
{
    Lanes& b = lanes;
    const unsigned n = b.entries++;
    b.sphere[n] = static_cast<std::int32_t>(m);
    b.exponentOf[n] = static_cast<std::int32_t>(e);
    for (int a = 0; a < 3; ++a) {
        b.origin[a][n] = point[a];
        b.direction[a][n] = dir[a];
        b.centre[a][n] = spheres.centre[m][a];
    }
    b.radiusSquared[n] = spheres.radiusSquared[m];
    return n;
}

void BlockerBatch::Compute(const LightTables& tables, const double* exponents)
{
    HWY_DYNAMIC_DISPATCH(glintwork::ComputeBlockers)(tables, exponents, lanes);
}
}  // namespace glintwork
#endif
