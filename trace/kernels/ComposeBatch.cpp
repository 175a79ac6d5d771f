// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/ComposeBatch.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "trace/kernels/ComposeBatch.h"
#include "trace/kernels/VectorLanes-inl.h"

#ifndef GLINTWORK_COMPOSEBATCH_ONCE
#define GLINTWORK_COMPOSEBATCH_ONCE
namespace glintwork {

// The spheres light j is tested against: all, or none where its bit in
// `test` is clear (lights past the mask's bits are always tested).
inline unsigned TestedSpheres(std::uint64_t test, unsigned j, const SphereSet& s)
{
    return j >= 64 || (test >> j & 1u) ? s.count : 0;
}

// A lane's test result as a byte of its own: bit l of a mask to byte l.
constexpr std::uint64_t SpreadBits(unsigned bits)
{
    std::uint64_t bytes = 0;
    for (unsigned l = 0; l < 8; ++l)
        bytes |= std::uint64_t(bits >> l & 1u) << 8 * l;
    return bytes;
}
struct SpreadTable {
    std::uint64_t bytes[256];
    constexpr SpreadTable() : bytes()
    {
        for (unsigned bits = 0; bits < 256; ++bits)
            bytes[bits] = SpreadBits(bits);
    }
};
constexpr SpreadTable Spread;

}  // namespace glintwork
#endif

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

// Points [first, end) of `count`, a vector of points a step (the last one
// repeated in the lanes past `end`); lights whose bit in `test` is clear
// get masks of zero (no sphere is near their lines).
void ShadowMasksOfPoints(const double* hits, std::size_t first, std::size_t end, std::size_t count,
                         const float* lightPositions, unsigned lights, std::uint64_t test, const SphereSet& s,
                         std::uint8_t* masks)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    const std::size_t width = hn::Lanes(d);
    for (; first < end; first += width) {
        const std::size_t used = std::min(width, end - first);
        const double* lane[HWY_MAX_BYTES / sizeof(double)];
        for (std::size_t l = 0; l < width; ++l)
            lane[l] = hits + std::min(first + l, end - 1) * 3;
        const V p[3] = {GatherLanes(d, lane, 0), GatherLanes(d, lane, 1), GatherLanes(d, lane, 2)};
        V f[SphereSet::MaxSpheres][3], c[SphereSet::MaxSpheres];
        for (unsigned m = 0; m < s.count; ++m)
            SphereTerms<L>(p, s.centre[m], s.radiusSquared[m], f[m], c[m]);
        for (unsigned j = 0; j < lights; ++j) {
            if (TestedSpheres(test, j, s) == 0) {
                std::memset(masks + j * count + first, 0, used);
                continue;
            }
            V light[3], dir[3];
            for (int a = 0; a < 3; ++a)
                light[a] = L::Set(lightPositions[3 * std::size_t(j) + a]);
            UnitLightDir<L>(light, p, dir);
            const V doubled[3] = {L::Set(2.0) * dir[0], L::Set(2.0) * dir[1], L::Set(2.0) * dir[2]};
            std::uint64_t bytes = 0;
            for (unsigned m = 0; m < TestedSpheres(test, j, s); ++m)
                bytes |= Spread.bytes[MaskBits(d, MeetsSphere<L>(doubled, f[m], c[m]))] << m;
            std::memcpy(masks + j * count + first, &bytes, used);
        }
    }
}

std::size_t SphereCandidatesOf(const Vec3* dirs, std::size_t count, const double eyeToCentre[][3], const double c[],
                               unsigned spheres, std::uint32_t* out)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    const std::size_t width = hn::Lanes(d);
    std::size_t n = 0;
    for (std::size_t first = 0; first < count; first += width) {
        const double* lane[HWY_MAX_BYTES / sizeof(double)];
        for (std::size_t l = 0; l < width; ++l)
            lane[l] = &dirs[std::min(first + l, count - 1)].x;
        const V doubled[3] = {L::Set(2.0) * GatherLanes(d, lane, 0), L::Set(2.0) * GatherLanes(d, lane, 1),
                              L::Set(2.0) * GatherLanes(d, lane, 2)};
        std::uint64_t bytes = 0;
        for (unsigned i = 0; i < spheres; ++i) {
            const V e[3] = {L::Set(eyeToCentre[i][0]), L::Set(eyeToCentre[i][1]), L::Set(eyeToCentre[i][2])};
            bytes |= Spread.bytes[MaskBits(d, MeetsSphere<L>(doubled, e, L::Set(c[i])))] << i;
        }
        for (std::size_t p = first; bytes != 0 && p < count; ++p, bytes >>= 8) {
            if ((bytes & 0xffu) != 0)
                out[n++] = static_cast<std::uint32_t>(p << 8 | (bytes & 0xffu));
        }
    }
    return n;
}

std::size_t PointsToComposeOf(const std::uint8_t* masks, unsigned lights, const std::uint8_t* shadowed,
                              std::size_t count, std::uint32_t* out)
{
    const hn::ScalableTag<std::uint8_t> d;
    const std::size_t width = hn::Lanes(d);
    std::size_t n = 0, first = 0;
    for (; first + width <= count; first += width) {
        auto any = hn::LoadU(d, shadowed + first);
        for (unsigned j = 0; j < lights; ++j)
            any = hn::Or(any, hn::LoadU(d, masks + j * count + first));
        std::uint8_t bits[HWY_MAX_BYTES / 8] = {};
        hn::StoreMaskBits(d, hn::Not(hn::Eq(any, hn::Zero(d))), bits);
        for (std::size_t l = 0; l < width; ++l) {
            if (bits[l / 8] >> l % 8 & 1u)
                out[n++] = static_cast<std::uint32_t>(first + l);
        }
    }
    for (; first < count; ++first) {
        unsigned any = shadowed[first];
        for (unsigned j = 0; j < lights; ++j)
            any |= masks[j * count + first];
        if (any != 0)
            out[n++] = static_cast<std::uint32_t>(first);
    }
    return n;
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(ShadowMasksOfPoints);
HWY_EXPORT(SphereCandidatesOf);
HWY_EXPORT(PointsToComposeOf);

namespace {

// Far from every shadow line. All lines of a light's shadow tests pass
// through the light (up to rounding), so the line from a point near a
// chunk's ball misses a sphere if the angle between that line and the line
// from the light to the sphere's centre exceeds the sphere's angular radius
// plus the ball's, seen from the light. With `Margin` of the scene's size
// added to the sphere's radius, the rounding of the exact test (relative
// errors near 1e-15 of squared distances) cannot turn such a miss into a
// hit; points nearer than that are tested exactly.
constexpr double Margin = 1e-5;

struct Cone {
    double axis[3];             // sphere centre - light
    double length;              // |axis|
    double sinAngle, cosAngle;  // of the sphere's angular radius with the margin, seen from the light
};

// The spheres seen from one light, for a band whose balls are all within
// `reach` of the light (ball radius included).
void SetCones(const double light[3], double reach, const SphereSet& spheres, Cone cones[])
{
    for (unsigned m = 0; m < spheres.count; ++m) {
        Cone& cone = cones[m];
        double length = 0.0;
        for (int a = 0; a < 3; ++a) {
            cone.axis[a] = spheres.centre[m][a] - light[a];
            length += cone.axis[a] * cone.axis[a];
        }
        cone.length = std::sqrt(length);
        const double radius = std::sqrt(spheres.radiusSquared[m]);
        const double margin = Margin * (cone.length + radius + reach);
        // With the light in or near the sphere every line is near it: the
        // cone takes every direction (NaN compares false as well).
        cone.sinAngle = cone.length > radius + margin ? (radius + margin) / cone.length : 2.0;
        cone.cosAngle = std::sqrt(std::max(0.0, 1.0 - cone.sinAngle * cone.sinAngle));
    }
}

// Whether the lines from every point of `ball` to `light` pass far from
// every sphere.
bool ClearOf(const Cone cones[], unsigned count, const double light[3], const double ball[4], double reachAll)
{
    double w[3];
    for (int a = 0; a < 3; ++a)
        w[a] = ball[a] - light[a];
    const double reach = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);  // light to the ball's centre
    const double spread = ball[3];
    if (!(reach > spread + Margin * reachAll))
        return false;  // the light is in or near the ball
    const double sinBall = spread / reach;
    const double cosBall = std::sqrt(1.0 - sinBall * sinBall);
    for (unsigned m = 0; m < count; ++m) {
        const Cone& cone = cones[m];
        if (!(cone.sinAngle <= 1.0))
            return false;
        // The cosine of the angle between the two lines must be below that
        // of the sphere's angle plus the ball's.
        const double dot = std::fabs(w[0] * cone.axis[0] + w[1] * cone.axis[1] + w[2] * cone.axis[2]);
        const double limit = cone.cosAngle * cosBall - cone.sinAngle * sinBall;
        if (!(dot < limit * reach * cone.length))
            return false;
    }
    return true;
}

}  // namespace

using glintwork::ClearOf;
using glintwork::Cone;
using glintwork::SetCones;

void ShadowBalls(const double* hits, std::size_t count, double* balls)
{
    for (std::size_t first = 0; first < count; first += ShadowChunk) {
        const std::size_t end = std::min(count, first + ShadowChunk);
        double low[3], high[3];
        for (int a = 0; a < 3; ++a)
            low[a] = high[a] = hits[first * 3 + a];
        for (std::size_t p = first + 1; p < end; ++p) {
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], hits[p * 3 + a]);
                high[a] = std::max(high[a], hits[p * 3 + a]);
            }
        }
        double* ball = balls + 4 * (first / ShadowChunk);
        double diagonal = 0.0, size = 0.0;
        for (int a = 0; a < 3; ++a) {
            ball[a] = 0.5 * (low[a] + high[a]);
            diagonal += (high[a] - low[a]) * (high[a] - low[a]);
            size += std::fabs(ball[a]);
        }
        // Half the box's diagonal, with room for the rounding of the centre.
        ball[3] = 0.5 * std::sqrt(diagonal) * (1.0 + 1e-9) + 1e-9 * size;
    }
}

void ShadowMasks(const double* hits, std::size_t count, const double* balls, const float* lightPositions,
                 unsigned lights, const SphereSet& spheres, std::uint8_t* masks)
{
    // Each light's cones of the spheres (with more lights than fit here,
    // those lights are tested at every point).
    constexpr unsigned MaxCulled = 12;
    const unsigned culled = std::min(lights, MaxCulled);
    Cone cones[MaxCulled][SphereSet::MaxSpheres];
    double light[MaxCulled][3], reach[MaxCulled];
    const std::size_t chunks = (count + ShadowChunk - 1) / ShadowChunk;
    for (unsigned j = 0; j < culled; ++j) {
        reach[j] = 0.0;
        for (int a = 0; a < 3; ++a)
            light[j][a] = lightPositions[3 * j + a];
        for (std::size_t k = 0; k < chunks; ++k) {
            const double* ball = balls + 4 * k;
            double w = 0.0;
            for (int a = 0; a < 3; ++a)
                w += (ball[a] - light[j][a]) * (ball[a] - light[j][a]);
            reach[j] = std::max(reach[j], std::sqrt(w) + ball[3]);
        }
        SetCones(light[j], reach[j], spheres, cones[j]);
    }
    for (std::size_t first = 0; first < count; first += ShadowChunk) {
        const std::size_t end = std::min(count, first + ShadowChunk);
        const double* ball = balls + 4 * (first / ShadowChunk);
        std::uint64_t test = lights > culled ? ~std::uint64_t(0) << culled : 0;
        for (unsigned j = 0; j < culled; ++j) {
            if (!ClearOf(cones[j], spheres.count, light[j], ball, reach[j]))
                test |= std::uint64_t(1) << j;
        }
        if (test == 0 && lights <= 64) {
            for (unsigned j = 0; j < lights; ++j)
                std::memset(masks + j * count + first, 0, end - first);
        } else {
            HWY_DYNAMIC_DISPATCH(glintwork::ShadowMasksOfPoints)
            (hits, first, end, count, lightPositions, lights, test, spheres, masks);
        }
    }
}

std::size_t SphereCandidates(const Vec3* dirs, std::size_t count, const Vec3& eye, const SphereSet& spheres,
                             std::uint32_t* out)
{
    // ShadeSphere's terms of the eye and each sphere: eye - centre, and its
    // squared length less the squared radius.
    double eyeToCentre[SphereSet::MaxSpheres][3], c[SphereSet::MaxSpheres];
    const double e[3] = {eye.x, eye.y, eye.z};
    for (unsigned m = 0; m < spheres.count; ++m)
        SphereTerms<OneLane>(e, spheres.centre[m], spheres.radiusSquared[m], eyeToCentre[m], c[m]);
    return HWY_DYNAMIC_DISPATCH(glintwork::SphereCandidatesOf)(dirs, count, eyeToCentre, c, spheres.count, out);
}

std::size_t PointsToCompose(const std::uint8_t* masks, unsigned lights, const std::uint8_t* shadowed, std::size_t count,
                            std::uint32_t* out)
{
    return HWY_DYNAMIC_DISPATCH(glintwork::PointsToComposeOf)(masks, lights, shadowed, count, out);
}
}  // namespace glintwork
#endif
