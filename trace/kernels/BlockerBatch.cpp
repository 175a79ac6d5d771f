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
// What the colour kernel reads and writes.
struct BlockerColourArrays {
    unsigned entries;
    unsigned capacity;
    unsigned lights;
    const std::int32_t* sphere;
    // Per light, `capacity` entries.
    const double* diffuse;
    const double* power;
    // Per light, BlockerBatch::PerLight values: the cutoffs, then the
    // products of each kind and channel by sphere.
    const double* lightsOnSpheres;
    std::size_t perLight;
    float* colour[3];
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

// Every entry's colour, a vector of entries at a time: per channel the sum
// over the lights of LightTerm with its sphere's products, rounded to float
// after every light, in light order.
void ComputeBlockerColours(const BlockerColourArrays& b)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    for (unsigned first = 0; first < b.entries; first += hn::Lanes(d)) {
        const ShortTablePicks<D, SphereSet::MaxSpheres> bySphere(d, b.sphere + first);
        V sum[3] = {L::Set(0.0), L::Set(0.0), L::Set(0.0)};
        for (unsigned j = 0; j < b.lights; ++j) {
            const std::size_t at = j * std::size_t(b.capacity) + first;
            const V diffuse = hn::LoadU(d, b.diffuse + at);
            const V power = hn::LoadU(d, b.power + at);
            const double* products = b.lightsOnSpheres + j * b.perLight + SphereSet::MaxSpheres;
            for (int c = 0; c < 3; ++c) {
                const V term = LightTerm<L>(bySphere.Of(products + c * SphereSet::MaxSpheres),
                                            bySphere.Of(products + (3 + c) * SphereSet::MaxSpheres),
                                            bySphere.Of(products + (6 + c) * SphereSet::MaxSpheres), diffuse, power);
                sum[c] = AddedToFloatSum<L>(term, sum[c]);
            }
        }
        for (int c = 0; c < 3; ++c)
            hn::StoreU(L::DemotedToFloat(sum[c]), hn::Rebind<float, D>(), b.colour[c] + first);
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(ComputeBlockers);
HWY_EXPORT(ComputeBlockerColours);

void BlockerBatch::SetLights(const std::vector<float>& positions, unsigned count)
{
    lightCount = count;
    position = LightPositions(positions, count);
    constexpr unsigned widest = HWY_MAX_BYTES / sizeof(double);
    capacity = (std::max(128u, count) + widest - 1) / widest * widest;
    entries = 0;
    sphere.assign(capacity, 0);
    for (int a = 0; a < 3; ++a) {
        origin[a].assign(capacity, 0.0);
        direction[a].assign(capacity, 0.0);
        centre[a].assign(capacity, 0.0);
    }
    radiusSquared.assign(capacity, 0.0);
    diffuse.assign(std::size_t(count) * capacity, 0.0);
    specularBase.assign(std::size_t(count) * capacity, 0.0);
    power.assign(std::size_t(count) * capacity, 0.0);
    for (std::vector<float>& channel : colour)
        channel.assign(capacity, 0.0f);
    // Until SetLightsOnSpheres, cutoffs of 0, which leave no power out.
    lightsOnSpheres.assign(std::size_t(count) * PerLight + WidestLanes, 0.0);
}

void BlockerBatch::SetLightsOnSpheres(const std::vector<LightOnSphere>& perLightAndSphere, unsigned sphereCount)
{
    constexpr std::size_t Spheres = SphereSet::MaxSpheres;
    lightsOnSpheres.assign(std::size_t(lightCount) * PerLight + WidestLanes, 0.0);
    for (unsigned j = 0; j < lightCount; ++j) {
        double* row = lightsOnSpheres.data() + j * PerLight;
        for (unsigned m = 0; m < sphereCount && m < Spheres; ++m) {
            const LightOnSphere& f = perLightAndSphere[j * std::size_t(sphereCount) + m];
            row[m] = f.cutoff;
            for (int c = 0; c < 3; ++c) {
                row[Spheres * (1 + c) + m] = f.ambient[c];
                row[Spheres * (4 + c) + m] = f.diffuse[c];
                row[Spheres * (7 + c) + m] = f.specular[c];
            }
        }
    }
}

unsigned BlockerBatch::Add(const double point[3], const double dir[3], unsigned m)
{
    const unsigned n = entries++;
    sphere[n] = static_cast<std::int32_t>(m);
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
        const double* cutoff = lightsOnSpheres.data() + j * PerLight;
        for (unsigned n = 0; n < entries; ++n)
            power[row + n] = SpecularPowerSeen(specularBase[row + n], exponents[sphere[n]], cutoff[sphere[n]]);
    }
    const glintwork::BlockerColourArrays c{entries,
                                           capacity,
                                           lightCount,
                                           sphere.data(),
                                           diffuse.data(),
                                           power.data(),
                                           lightsOnSpheres.data(),
                                           PerLight,
                                           {colour[0].data(), colour[1].data(), colour[2].data()}};
    HWY_DYNAMIC_DISPATCH(glintwork::ComputeBlockerColours)(c);
}
}  // namespace glintwork
#endif
