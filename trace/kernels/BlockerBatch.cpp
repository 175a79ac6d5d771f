// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/BlockerBatch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "trace/kernels/BlockerBatch.h"
#include "trace/kernels/LightTerms.h"
#include "trace/kernels/VectorLanes-inl.h"

#ifndef GLINTWORK_BLOCKERBATCH_ARRAYS
#define GLINTWORK_BLOCKERBATCH_ARRAYS
namespace glintwork {
// What the kernel reads and writes.
struct BlockerArrays {
    unsigned entries;
    unsigned capacity;
    unsigned lights;
    const double* origin[3];
    const double* direction[3];
    const double* centre[3];
    const double* radiusSquared;
    const double* position;  // x, y, z per light
    // Per light, `capacity` entries.
    double* diffuse;
    double* specularBase;
};
}  // namespace glintwork
#endif

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

void ComputeBlockers(const BlockerArrays& b)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    for (unsigned first = 0; first < b.entries; first += hn::Lanes(d)) {
        V origin[3], direction[3], centre[3], entry[3], normal[3];
        for (int a = 0; a < 3; ++a) {
            origin[a] = hn::LoadU(d, b.origin[a] + first);
            direction[a] = hn::LoadU(d, b.direction[a] + first);
            centre[a] = hn::LoadU(d, b.centre[a] + first);
        }
        LineEntry<L>(origin, direction, centre, hn::LoadU(d, b.radiusSquared + first), entry);
        for (int a = 0; a < 3; ++a)
            normal[a] = entry[a] - centre[a];
        Normalize3<L>(normal);
        // Lanes past the last entry count as turned away.
        const auto past = hn::Not(hn::FirstN(d, b.entries - first));
        for (unsigned j = 0; j < b.lights; ++j) {
            V light[3], dir[3], half[3], diffuse, specularBase;
            for (int a = 0; a < 3; ++a)
                light[a] = L::Set(b.position[3 * std::size_t(j) + a]);
            const std::size_t out = j * std::size_t(b.capacity) + first;
            // Where the light and the half vector are surely behind the
            // surface in every lane (for most lights at an entry, and nearly
            // always for the light the sphere blocks), the diffuse factors
            // and the bases are +0: no square roots, no divisions.
            if (hn::AllTrue(d, L::Or(SurelyTurnedAway<L>(light, entry, direction, normal), past))) {
                hn::StoreU(L::Set(0.0), d, b.diffuse + out);
                hn::StoreU(L::Set(0.0), d, b.specularBase + out);
                continue;
            }
            LightTerms<L>(light, entry, direction, normal, dir, half, diffuse, specularBase);
            hn::StoreU(diffuse, d, b.diffuse + out);
            hn::StoreU(specularBase, d, b.specularBase + out);
        }
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(ComputeBlockers);
}  // namespace glintwork

void BlockerBatch::SetLights(const std::vector<float>& positions, unsigned count)
{
    lightCount = count;
    position = LightPositions(positions, count);
    constexpr unsigned widest = HWY_MAX_BYTES / sizeof(double);
    capacity = (std::max(128u, count) + widest - 1) / widest * widest;
    entries = 0;
    sphere.assign(capacity, 0u);
    for (int a = 0; a < 3; ++a) {
        origin[a].assign(capacity, 0.0);
        direction[a].assign(capacity, 0.0);
        centre[a].assign(capacity, 0.0);
    }
    radiusSquared.assign(capacity, 0.0);
    diffuse.assign(std::size_t(count) * capacity, 0.0);
    specularBase.assign(std::size_t(count) * capacity, 0.0);
    power.assign(std::size_t(count) * capacity, 0.0);
    // Until SetCutoffs, cutoffs of 0, which leave no power out.
    cutoffs.assign(std::size_t(count) * SphereSet::MaxSpheres, 0.0);
    cutoffStride = SphereSet::MaxSpheres;
}

unsigned BlockerBatch::Add(const double point[3], const double dir[3], unsigned m)
{
    const unsigned n = entries++;
    sphere[n] = m;
    for (int a = 0; a < 3; ++a) {
        origin[a][n] = point[a];
        direction[a][n] = dir[a];
        centre[a][n] = spheres.centre[m][a];
    }
    radiusSquared[n] = spheres.radiusSquared[m];
    return n;
}

void BlockerBatch::Compute(const double* exponents)
{
    const glintwork::BlockerArrays b{entries,
                                     capacity,
                                     lightCount,
                                     {origin[0].data(), origin[1].data(), origin[2].data()},
                                     {direction[0].data(), direction[1].data(), direction[2].data()},
                                     {centre[0].data(), centre[1].data(), centre[2].data()},
                                     radiusSquared.data(),
                                     position.data(),
                                     diffuse.data(),
                                     specularBase.data()};
    HWY_DYNAMIC_DISPATCH(glintwork::ComputeBlockers)(b);
    for (unsigned j = 0; j < lightCount; ++j) {
        const std::size_t row = j * std::size_t(capacity);
        const double* cutoff = cutoffs.data() + j * std::size_t(cutoffStride);
        for (unsigned n = 0; n < entries; ++n)
            power[row + n] = SpecularPowerSeen(specularBase[row + n], exponents[sphere[n]], cutoff[sphere[n]]);
    }
}
#endif
