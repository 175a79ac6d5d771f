#include "trace/PrimaryBatch.h"

#include <immintrin.h>

#include <cmath>

namespace {

using Constants = PrimaryBatch::Constants;

// Plane p's "outside" test of RoomTracer::InsideRoomFace on the two
// coordinates it looks at, as `first`/`second`: 0 and 1 test z and y, 2
// tests x and y, 3 and 4 test z and x. Bounds are inclusive, and a
// coordinate that is not a number counts as inside.
struct FaceAxes {
    int first, second;
};
constexpr FaceAxes Axes[PrimaryBatch::Planes] = {{2, 1}, {2, 1}, {0, 1}, {2, 0}, {2, 0}};

void Bounds(const Constants& k, int axis, double& low, double& high)
{
    low = axis == 0 ? k.xMin : axis == 1 ? k.yMin : k.zMin;
    high = axis == 0 ? k.xMax : axis == 1 ? k.yMax : k.zMax;
}

// One pixel, as the tracer's scalar steps do it; with `given`, from the
// direction already in the lane.
void TraceLane(const Constants& k, unsigned column, unsigned lane, bool given, PrimaryBatch& out)
{
    double d[3];
    if (given) {
        for (int a = 0; a < 3; ++a)
            d[a] = out.dir[a][lane];
    } else {
        for (int a = 0; a < 3; ++a)
            d[a] = ((k.columnA[a][column] + k.rowB[a]) + k.c[a]) - k.eye[a];
        const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (int a = 0; a < 3; ++a) {
            d[a] = length == 0.0 ? 0.0 : d[a] / length;
            out.dir[a][lane] = d[a];
        }
    }

    double r[3] = {d[0], d[1], d[2]};
    for (int p = 0; p < PrimaryBatch::Planes; ++p) {
        const double* n = k.normal[p];
        const double denominator = r[0] * n[0] + r[1] * n[1] + r[2] * n[2];
        if (!(denominator != 0.0))
            continue;
        const double t = k.numerator[p] / denominator;
        double h[3];
        for (int a = 0; a < 3; ++a) {
            r[a] = t * r[a];
            h[a] = k.eye[a] + r[a];
        }
        double low1, high1, low2, high2;
        Bounds(k, Axes[p].first, low1, high1);
        Bounds(k, Axes[p].second, low2, high2);
        const double u = h[Axes[p].first], v = h[Axes[p].second];
        const bool outside = u < low1 || u > high1 || v > high2 || v < low2;
        if (outside || !(k.depthLimit < h[2]))
            continue;  // the ray stays scaled
        out.accepted[p] |= 1u << lane;
        for (int a = 0; a < 3; ++a) {
            out.hit[p][a][lane] = h[a];
            r[a] = d[a];
        }
    }

    for (unsigned i = 0; i < k.sphereCount; ++i) {
        const double* e = k.eyeToCentre[i];
        const double b = (2.0 * d[0]) * e[0] + (2.0 * d[1]) * e[1] + (2.0 * d[2]) * e[2];
        if (!(b * b - 4.0 * k.eyeSphereC[i] < 0.0))
            out.maybeSphere[i] |= 1u << lane;
    }
}

// Eight pixels a step, lane by lane the same operations, in two groups of
// four lanes worked side by side: each plane's test waits on the previous
// plane's division, so two independent groups keep the processor busy.
__attribute__((target("avx2"))) void TraceAvx2(const Constants& k, unsigned column, unsigned count, bool given,
                                               PrimaryBatch& out)
{
    constexpr int Groups = PrimaryBatch::Lanes / 4;
    const __m256d zero = _mm256_setzero_pd();
    __m256d d[Groups][3];
    for (int g = 0; g < Groups; ++g) {
        const unsigned at = 4 * g;
        if (given) {
            for (int a = 0; a < 3; ++a)
                d[g][a] = _mm256_loadu_pd(out.dir[a] + at);
            continue;
        }
        for (int a = 0; a < 3; ++a)
            d[g][a] = _mm256_sub_pd(_mm256_add_pd(_mm256_add_pd(_mm256_loadu_pd(&k.columnA[a][column + at]),
                                                                _mm256_set1_pd(k.rowB[a])),
                                                  _mm256_set1_pd(k.c[a])),
                                    _mm256_set1_pd(k.eye[a]));
        const __m256d length = _mm256_sqrt_pd(
            _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(d[g][0], d[g][0]), _mm256_mul_pd(d[g][1], d[g][1])),
                          _mm256_mul_pd(d[g][2], d[g][2])));
        const __m256d isZero = _mm256_cmp_pd(length, zero, _CMP_EQ_OQ);
        for (int a = 0; a < 3; ++a) {
            d[g][a] = _mm256_blendv_pd(_mm256_div_pd(d[g][a], length), zero, isZero);
            _mm256_storeu_pd(out.dir[a] + at, d[g][a]);
        }
    }

    const unsigned lanes = (1u << count) - 1u;
    __m256d r[Groups][3];
    for (int g = 0; g < Groups; ++g) {
        for (int a = 0; a < 3; ++a)
            r[g][a] = d[g][a];
    }
#pragma GCC unroll 5
    for (int p = 0; p < PrimaryBatch::Planes; ++p) {
        const double* n = k.normal[p];
        __m256d denominator[Groups], traced[Groups];
        unsigned tracedBits = 0;
        for (int g = 0; g < Groups; ++g) {
            denominator[g] = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(r[g][0], _mm256_set1_pd(n[0])),
                                                         _mm256_mul_pd(r[g][1], _mm256_set1_pd(n[1]))),
                                           _mm256_mul_pd(r[g][2], _mm256_set1_pd(n[2])));
            traced[g] = _mm256_cmp_pd(denominator[g], zero, _CMP_NEQ_UQ);
            tracedBits |= static_cast<unsigned>(_mm256_movemask_pd(traced[g])) << 4 * g;
        }
        if (!(tracedBits & lanes))
            continue;
        double low1, high1, low2, high2;
        Bounds(k, Axes[p].first, low1, high1);
        Bounds(k, Axes[p].second, low2, high2);
        unsigned takenBits = 0;
        for (int g = 0; g < Groups; ++g) {
            const __m256d t = _mm256_div_pd(_mm256_set1_pd(k.numerator[p]), denominator[g]);
            __m256d s[3], h[3];
            for (int a = 0; a < 3; ++a) {
                s[a] = _mm256_mul_pd(t, r[g][a]);
                h[a] = _mm256_add_pd(_mm256_set1_pd(k.eye[a]), s[a]);
            }
            const __m256d u = h[Axes[p].first], v = h[Axes[p].second];
            const __m256d outside = _mm256_or_pd(_mm256_or_pd(_mm256_cmp_pd(u, _mm256_set1_pd(low1), _CMP_LT_OQ),
                                                              _mm256_cmp_pd(u, _mm256_set1_pd(high1), _CMP_GT_OQ)),
                                                 _mm256_or_pd(_mm256_cmp_pd(v, _mm256_set1_pd(high2), _CMP_GT_OQ),
                                                              _mm256_cmp_pd(v, _mm256_set1_pd(low2), _CMP_LT_OQ)));
            const __m256d taken = _mm256_andnot_pd(
                outside, _mm256_and_pd(traced[g], _mm256_cmp_pd(_mm256_set1_pd(k.depthLimit), h[2], _CMP_LT_OQ)));
            for (int a = 0; a < 3; ++a) {
                _mm256_storeu_pd(out.hit[p][a] + 4 * g, h[a]);
                // Untraced lanes keep their ray, rejected ones take it scaled,
                // accepted ones start again from the primary direction.
                r[g][a] = _mm256_blendv_pd(_mm256_blendv_pd(r[g][a], s[a], traced[g]), d[g][a], taken);
            }
            takenBits |= static_cast<unsigned>(_mm256_movemask_pd(taken)) << 4 * g;
        }
        out.accepted[p] = takenBits & lanes;
    }

    const __m256d two = _mm256_set1_pd(2.0);
    for (unsigned i = 0; i < k.sphereCount; ++i) {
        const double* e = k.eyeToCentre[i];
        unsigned bits = 0;
        for (int g = 0; g < Groups; ++g) {
            const __m256d b =
                _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_mul_pd(two, d[g][0]), _mm256_set1_pd(e[0])),
                                            _mm256_mul_pd(_mm256_mul_pd(two, d[g][1]), _mm256_set1_pd(e[1]))),
                              _mm256_mul_pd(_mm256_mul_pd(two, d[g][2]), _mm256_set1_pd(e[2])));
            const __m256d disc = _mm256_sub_pd(_mm256_mul_pd(b, b), _mm256_set1_pd(4.0 * k.eyeSphereC[i]));
            bits |= static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(disc, zero, _CMP_NLT_UQ))) << 4 * g;
        }
        out.maybeSphere[i] = bits & lanes;
    }
}

}  // namespace

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
        accepted[p] = 0;
    for (unsigned i = 0; i < MaxSpheres; ++i)
        maybeSphere[i] = 0;
    if (instructionSet != InstructionSet::Plain) {
        TraceAvx2(k, column, count, given, *this);
        return;
    }
    for (unsigned lane = 0; lane < count; ++lane)
        TraceLane(k, column + lane, lane, given, *this);
}
