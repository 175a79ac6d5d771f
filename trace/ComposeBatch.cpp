#include "trace/ComposeBatch.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The spheres light j is tested against: all, or none where its bit in
// `test` is clear (lights past the mask's bits are always tested).
unsigned TestedSpheres(std::uint64_t test, unsigned j, const SphereSet& s)
{
    return j >= 64 || (test >> j & 1u) ? s.count : 0;
}

// Points [first, end) of `count`; lights whose bit in `test` is clear get
// masks of zero (no sphere is near their lines).
void ShadowMasksPlain(const double* values, std::size_t stride, std::size_t first, std::size_t end, std::size_t count,
                      unsigned lights, std::uint64_t test, const SphereSet& s, std::uint8_t* masks)
{
    for (std::size_t p = first; p < end; ++p) {
        const double* v = values + p * stride;
        double f[SphereSet::MaxSpheres][3], c[SphereSet::MaxSpheres];
        OriginSphereTerms(v, s, f, c);
        for (unsigned j = 0; j < lights; ++j) {
            const double* d = v + 3 + 3 * std::size_t(j);
            const double doubled[3] = {2.0 * d[0], 2.0 * d[1], 2.0 * d[2]};
            unsigned mask = 0;
            for (unsigned m = 0; m < TestedSpheres(test, j, s); ++m)
                mask |= unsigned(LineMeetsSphere(doubled, f[m], c[m])) << m;
            masks[j * count + p] = static_cast<std::uint8_t>(mask);
        }
    }
}

std::size_t SphereCandidatesPlain(const Vec3* dirs, std::size_t count, const double eyeToCentre[][3], const double c[],
                                  unsigned spheres, std::uint32_t* out)
{
    std::size_t n = 0;
    for (std::size_t p = 0; p < count; ++p) {
        const double doubled[3] = {2.0 * dirs[p].x, 2.0 * dirs[p].y, 2.0 * dirs[p].z};
        unsigned mask = 0;
        for (unsigned i = 0; i < spheres; ++i)
            mask |= unsigned(LineMeetsSphere(doubled, eyeToCentre[i], c[i])) << i;
        if (mask != 0)
            out[n++] = static_cast<std::uint32_t>(p << 8 | mask);
    }
    return n;
}

std::size_t PointsToComposePlain(const std::uint8_t* masks, unsigned lights, const std::uint8_t* shadowed,
                                 std::size_t count, std::size_t first, std::uint32_t* out)
{
    std::size_t n = 0;
    for (std::size_t p = first; p < count; ++p) {
        unsigned any = shadowed[p];
        for (unsigned j = 0; j < lights; ++j)
            any |= masks[j * count + p];
        if (any != 0)
            out[n++] = static_cast<std::uint32_t>(p);
    }
    return n;
}

// A lane's test result as a byte of its own: bit l of a movemask to byte l.
constexpr std::uint32_t SpreadBits(unsigned bits)
{
    return (bits & 1u) | (bits >> 1 & 1u) << 8 | (bits >> 2 & 1u) << 16 | (bits >> 3 & 1u) << 24;
}
constexpr std::uint32_t Spread[16] = {SpreadBits(0),  SpreadBits(1),  SpreadBits(2),  SpreadBits(3),
                                      SpreadBits(4),  SpreadBits(5),  SpreadBits(6),  SpreadBits(7),
                                      SpreadBits(8),  SpreadBits(9),  SpreadBits(10), SpreadBits(11),
                                      SpreadBits(12), SpreadBits(13), SpreadBits(14), SpreadBits(15)};

inline __attribute__((target("avx2"))) __m256d Gather(const double* const lane[4], std::size_t offset)
{
    return _mm256_setr_pd(lane[0][offset], lane[1][offset], lane[2][offset], lane[3][offset]);
}

// The masks of the four points `lane` (the first `lanes` of them go out),
// whose first is point `first` of the `count`, as ShadowMasksPlain.
__attribute__((target("avx2"))) inline void ShadowMasksOfFour(const double* const lane[4], unsigned lights,
                                                              std::uint64_t test, const SphereSet& s, std::size_t first,
                                                              std::size_t count, std::size_t lanes, std::uint8_t* masks)
{
    __m256d f[SphereSet::MaxSpheres][3], c[SphereSet::MaxSpheres];
    const __m256d p[3] = {Gather(lane, 0), Gather(lane, 1), Gather(lane, 2)};
    OriginSphereTermsLanes(p, s, f, c);
    const __m256d two = _mm256_set1_pd(2.0);
    for (unsigned j = 0; j < lights; ++j) {
        const std::size_t d = 3 + 3 * std::size_t(j);
        const __m256d doubled[3] = {_mm256_mul_pd(two, Gather(lane, d)), _mm256_mul_pd(two, Gather(lane, d + 1)),
                                    _mm256_mul_pd(two, Gather(lane, d + 2))};
        std::uint32_t bytes = 0;
        for (unsigned m = 0; m < TestedSpheres(test, j, s); ++m)
            bytes |= Spread[LineMeetsSphereBits(doubled, f[m], c[m])] << m;
        std::memcpy(masks + j * count + first, &bytes, lanes);
    }
}

__attribute__((target("avx2"))) void ShadowMasksAvx2(const double* values, std::size_t stride, std::size_t first,
                                                     std::size_t end, std::size_t count, unsigned lights,
                                                     std::uint64_t test, const SphereSet& s, std::uint8_t* masks)
{
    for (; first + 4 <= end; first += 4) {
        const double* v = values + first * stride;
        const double* const lane[4] = {v, v + stride, v + 2 * stride, v + 3 * stride};
        ShadowMasksOfFour(lane, lights, test, s, first, count, 4, masks);
    }
    if (first < end) {
        // The last points, with the last one repeated in the lanes past it.
        const double* lane[4];
        for (std::size_t l = 0; l < 4; ++l)
            lane[l] = values + std::min(first + l, end - 1) * stride;
        ShadowMasksOfFour(lane, lights, test, s, first, count, end - first, masks);
    }
}

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

__attribute__((target("avx2"))) std::size_t SphereCandidatesAvx2(const Vec3* dirs, std::size_t count,
                                                                 const double eyeToCentre[][3], const double c[],
                                                                 unsigned spheres, std::uint32_t* out)
{
    const __m256d two = _mm256_set1_pd(2.0);
    std::size_t n = 0;
    for (std::size_t first = 0; first < count; first += 4) {
        const double* lane[4];
        for (std::size_t l = 0; l < 4; ++l)
            lane[l] = &dirs[std::min(first + l, count - 1)].x;
        const __m256d doubled[3] = {_mm256_mul_pd(two, Gather(lane, 0)), _mm256_mul_pd(two, Gather(lane, 1)),
                                    _mm256_mul_pd(two, Gather(lane, 2))};
        std::uint32_t bytes = 0;
        for (unsigned i = 0; i < spheres; ++i) {
            const __m256d e[3] = {_mm256_set1_pd(eyeToCentre[i][0]), _mm256_set1_pd(eyeToCentre[i][1]),
                                  _mm256_set1_pd(eyeToCentre[i][2])};
            bytes |= Spread[LineMeetsSphereBits(doubled, e, _mm256_set1_pd(c[i]))] << i;
        }
        for (std::size_t p = first; bytes != 0 && p < count; ++p, bytes >>= 8) {
            if ((bytes & 0xffu) != 0)
                out[n++] = static_cast<std::uint32_t>(p << 8 | (bytes & 0xffu));
        }
    }
    return n;
}

__attribute__((target("avx2"))) std::size_t PointsToComposeAvx2(const std::uint8_t* masks, unsigned lights,
                                                                const std::uint8_t* shadowed, std::size_t count,
                                                                std::uint32_t* out)
{
    std::size_t n = 0, first = 0;
    for (; first + 32 <= count; first += 32) {
        __m256i any = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(shadowed + first));
        for (unsigned j = 0; j < lights; ++j)
            any = _mm256_or_si256(any, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masks + j * count + first)));
        auto bits = ~static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(any, _mm256_setzero_si256())));
        for (; bits != 0; bits &= bits - 1)
            out[n++] = static_cast<std::uint32_t>(first + static_cast<unsigned>(__builtin_ctz(bits)));
    }
    return n + PointsToComposePlain(masks, lights, shadowed, count, first, out + n);
}

}  // namespace

void ShadowBalls(const double* values, std::size_t stride, std::size_t count, double* balls)
{
    for (std::size_t first = 0; first < count; first += ShadowChunk) {
        const std::size_t end = std::min(count, first + ShadowChunk);
        double low[3], high[3];
        for (int a = 0; a < 3; ++a)
            low[a] = high[a] = values[first * stride + a];
        for (std::size_t p = first + 1; p < end; ++p) {
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], values[p * stride + a]);
                high[a] = std::max(high[a], values[p * stride + a]);
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

void ShadowMasks(InstructionSet set, const double* values, std::size_t stride, std::size_t count, const double* balls,
                 const float* lightPositions, unsigned lights, const SphereSet& spheres, std::uint8_t* masks)
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
        } else if (set == InstructionSet::Plain) {
            ShadowMasksPlain(values, stride, first, end, count, lights, test, spheres, masks);
        } else {
            ShadowMasksAvx2(values, stride, first, end, count, lights, test, spheres, masks);
        }
    }
}

std::size_t SphereCandidates(InstructionSet set, const Vec3* dirs, std::size_t count, const Vec3& eye,
                             const SphereSet& spheres, std::uint32_t* out)
{
    // ShadeSphere's terms of the eye and each sphere: eye - centre, and its
    // squared length less the squared radius.
    double eyeToCentre[SphereSet::MaxSpheres][3], c[SphereSet::MaxSpheres];
    const double e[3] = {eye.x, eye.y, eye.z};
    OriginSphereTerms(e, spheres, eyeToCentre, c);
    if (set == InstructionSet::Plain)
        return SphereCandidatesPlain(dirs, count, eyeToCentre, c, spheres.count, out);
    return SphereCandidatesAvx2(dirs, count, eyeToCentre, c, spheres.count, out);
}

std::size_t PointsToCompose(InstructionSet set, const std::uint8_t* masks, unsigned lights,
                            const std::uint8_t* shadowed, std::size_t count, std::uint32_t* out)
{
    if (set == InstructionSet::Plain)
        return PointsToComposePlain(masks, lights, shadowed, count, 0, out);
    return PointsToComposeAvx2(masks, lights, shadowed, count, out);
}
