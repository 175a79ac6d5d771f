#include "trace/PlanePointBatch.h"

#include <immintrin.h>

#include <initializer_list>

void PlanePointBatch::SetLights(const std::vector<float>& positions, unsigned count)
{
    lightCount = count;
    position.assign(3 * std::size_t(count), 0.0);
    for (std::size_t i = 0; i < position.size() && i < positions.size(); ++i)
        position[i] = positions[i];
    const std::size_t entries = std::size_t(count) * MaxPoints;
    for (std::vector<double>& v : dir)
        v.assign(entries, 0.0);
    diffuse.assign(entries, 0.0);
    specularBase.assign(entries, 0.0);
    onLine.assign(std::size_t(count) * MaxSpheres, 0u);
    anyOnLine.assign(count, 0u);
}

void PlanePointBatch::SetSpheres(const SphereSet& set)
{
    spheres = set;
}

unsigned PlanePointBatch::Add(const Vec3& p, const Vec3& n, const Vec3& v)
{
    const unsigned i = points++;
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

// Vec3::Normalize, Dot and the clamps of LightTerms, and the shadow test of
// SphereOnLine, lane by lane: a zero length gives zeros, a NaN length divides.
__attribute__((target("avx2"))) void PlanePointBatch::Compute()
{
    const __m256d zero = _mm256_setzero_pd();
    for (unsigned first = 0; first < points; first += 4) {
        const unsigned valid = points - first >= 4 ? 0xfu : (1u << (points - first)) - 1u;
        __m256d p[3], n[3], v[3];
        for (int a = 0; a < 3; ++a) {
            p[a] = _mm256_loadu_pd(&point[a][first]);
            n[a] = _mm256_loadu_pd(&normal[a][first]);
            v[a] = _mm256_loadu_pd(&view[a][first]);
        }
        // Per sphere: point - centre and its squared length less the
        // squared radius, the same for every light.
        __m256d f[MaxSpheres][3], c[MaxSpheres];
        OriginSphereTermsLanes(p, spheres, f, c);
        for (unsigned j = 0; j < lightCount; ++j) {
            __m256d d[3], h[3];
            for (int a = 0; a < 3; ++a) {
                d[a] = _mm256_sub_pd(_mm256_set1_pd(position[3 * std::size_t(j) + a]), p[a]);
                h[a] = _mm256_add_pd(d[a], v[a]);
            }
            for (__m256d* w : {d, h}) {
                const __m256d length = _mm256_sqrt_pd(_mm256_add_pd(
                    _mm256_add_pd(_mm256_mul_pd(w[0], w[0]), _mm256_mul_pd(w[1], w[1])), _mm256_mul_pd(w[2], w[2])));
                const __m256d isZero = _mm256_cmp_pd(length, zero, _CMP_EQ_OQ);
                for (int a = 0; a < 3; ++a)
                    w[a] = _mm256_blendv_pd(_mm256_div_pd(w[a], length), zero, isZero);
            }
            __m256d dots[2];
            for (int k = 0; k < 2; ++k) {
                const __m256d* w = k == 0 ? d : h;
                const __m256d dot = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(w[0], n[0]), _mm256_mul_pd(w[1], n[1])),
                                                  _mm256_mul_pd(w[2], n[2]));
                dots[k] = _mm256_blendv_pd(dot, zero, _mm256_cmp_pd(dot, zero, _CMP_LT_OQ));
            }
            const std::size_t out = j * std::size_t(MaxPoints) + first;
            for (int a = 0; a < 3; ++a)
                _mm256_storeu_pd(&dir[a][out], d[a]);
            _mm256_storeu_pd(&diffuse[out], dots[0]);
            _mm256_storeu_pd(&specularBase[out], dots[1]);

            const __m256d two = _mm256_set1_pd(2.0);
            const __m256d doubled[3] = {_mm256_mul_pd(two, d[0]), _mm256_mul_pd(two, d[1]), _mm256_mul_pd(two, d[2])};
            unsigned* lines = &onLine[j * std::size_t(MaxSpheres)];
            unsigned any = 0;
            for (unsigned m = 0; m < spheres.count; ++m) {
                const unsigned bits = LineMeetsSphereBits(doubled, f[m], c[m]) & valid;
                lines[m] = first == 0 ? bits : lines[m] | bits << first;
                any |= bits;
            }
            anyOnLine[j] = first == 0 ? any : anyOnLine[j] | any << first;
        }
    }
}
