// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/PrimaryBatch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "trace/kernels/PrimaryBatch.h"
#include "trace/kernels/VectorLanes-inl.h"


HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

// The batch's pixels in groups of a vector each, worked side by side: each
// plane's test waits on the previous plane's division, so independent
// groups keep the processor busy.
void TracePrimary(const PrimaryBatch::Constants& k, unsigned column, unsigned count, bool given, PrimaryBatch::Rays& out)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    using M = typename L::M;
    const D d;
    constexpr unsigned Width = HWY_LANES(double);
    constexpr unsigned Groups = PrimaryBatch::Lanes / Width;
    static_assert(Groups * Width == PrimaryBatch::Lanes, "a batch is a whole number of vectors");
    const V zero = L::Set(0.0);
    const V eye[3] = {L::Set(k.eye[0]), L::Set(k.eye[1]), L::Set(k.eye[2])};

    // The unit primary directions: ((A + B) + C) - eye, normalised.
    V dir[Groups][3];
    for (unsigned g = 0; g < Groups; ++g) {
        const unsigned at = g * Width;
        if (given) {
            for (int a = 0; a < 3; ++a)
                dir[g][a] = hn::LoadU(d, out.dir[a] + at);
            continue;
        }
        for (int a = 0; a < 3; ++a)
            dir[g][a] =
                ((hn::LoadU(d, &k.columnA[a][column + at]) + L::Set(k.rowB[a])) + L::Set(k.c[a])) - L::Set(k.eye[a]);
        Normalize3<L>(dir[g]);
        for (int a = 0; a < 3; ++a)
            hn::StoreU(dir[g][a], d, out.dir[a] + at);
    }

    // The walk through the planes: a plane whose denominator is not zero is
    // traced; its hit is accepted inside the face and before the depth
    // limit. Untraced lanes keep their ray, rejected ones take it scaled,
    // accepted ones start again from the primary direction.
    const unsigned lanes = (1u << count) - 1u;
    V ray[Groups][3];
    for (unsigned g = 0; g < Groups; ++g) {
        for (int a = 0; a < 3; ++a)
            ray[g][a] = dir[g][a];
    }
    // Unrolled: each plane's face axes are then known where they are used.
#pragma GCC unroll 5
    for (int p = 0; p < PrimaryBatch::Planes; ++p) {
        V normal[3];
        for (int a = 0; a < 3; ++a)
            normal[a] = L::Set(k.normal[p][a]);
        V denominator[Groups];
        M traced[Groups];
        unsigned tracedBits = 0;
        for (unsigned g = 0; g < Groups; ++g) {
            denominator[g] = Dot3<L>(ray[g], normal);
            traced[g] = L::Not(denominator[g] == zero);
            tracedBits |= MaskBits(d, traced[g]) << g * Width;
        }
        if (!(tracedBits & lanes))
            continue;
        unsigned takenBits = 0;
        for (unsigned g = 0; g < Groups; ++g) {
            V scaled[3], hit[3];
            const M taken = hn::And(traced[g], PlaneStep<L>(p, L::Set(k.numerator[p]), denominator[g], eye, ray[g],
                                                             k.low, k.high, k.depthLimit, scaled, hit));
            for (int a = 0; a < 3; ++a) {
                hn::StoreU(hit[a], d, out.hit[p][a] + g * Width);
                ray[g][a] = L::Select(taken, dir[g][a], L::Select(traced[g], scaled[a], ray[g][a]));
            }
            takenBits |= MaskBits(d, taken) << g * Width;
        }
        out.accepted[p] = takenBits & lanes;
    }

    // The first test of every sphere, along the doubled primary direction.
    for (unsigned i = 0; i < k.sphereCount; ++i) {
        V eyeToCentre[3];
        for (int a = 0; a < 3; ++a)
            eyeToCentre[a] = L::Set(k.eyeToCentre[i][a]);
        const V c = L::Set(k.eyeSphereC[i]);
        unsigned bits = 0;
        for (unsigned g = 0; g < Groups; ++g) {
            const V doubled[3] = {L::Set(2.0) * dir[g][0], L::Set(2.0) * dir[g][1], L::Set(2.0) * dir[g][2]};
            bits |= MaskBits(d, MeetsSphere<L>(doubled, eyeToCentre, c)) << g * Width;
        }
        out.maybeSphere[i] = bits & lanes;
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(TracePrimary);

void PrimaryBatch::Trace(const Constants& k, unsigned column, unsigned count)
{
    Run(k, column, count, false);
}

void PrimaryBatch::TraceGiven(const Constants& k, unsigned count)
{
    Run(k, 0, count, true);
}

void PrimaryBatch::Run(const Constants& k, unsigned column, unsigned count, bool given)
{
    for (int p = 0; p < Planes; ++p)
        rays.accepted[p] = 0;
    for (unsigned i = 0; i < MaxSpheres; ++i)
        rays.maybeSphere[i] = 0;
    HWY_DYNAMIC_DISPATCH(glintwork::TracePrimary)(k, column, count, given, rays);
}
}  // namespace glintwork
#endif
