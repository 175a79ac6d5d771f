#include "trace/LightBatch.h"

#include <immintrin.h>

#include <initializer_list>

namespace {

// Where the kernels read and write: per light, structure of arrays.
struct BatchArrays {
    const double* position[3];
    double* dir[3];
    double* half[3];
    double* diffuse;
    double* specularBase;
    double point[3];
    double view[3];
    double normal[3];
};

// Four lights a step. Vec3::Normalize, Dot and the clamps of LightTerms,
// lane by lane: a zero length gives zeros, a NaN length divides.
__attribute__((target("avx2"))) void ComputeAvx2(const BatchArrays& l, std::size_t lights)
{
    const __m256d zero = _mm256_setzero_pd();
    for (std::size_t i = 0; i < lights; i += 4) {
        __m256d d[3], h[3];
        for (int a = 0; a < 3; ++a) {
            d[a] = _mm256_sub_pd(_mm256_loadu_pd(l.position[a] + i), _mm256_set1_pd(l.point[a]));
            h[a] = _mm256_add_pd(d[a], _mm256_set1_pd(l.view[a]));
        }
        for (__m256d* v : {d, h}) {
            const __m256d length = _mm256_sqrt_pd(_mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(v[0], v[0]), _mm256_mul_pd(v[1], v[1])), _mm256_mul_pd(v[2], v[2])));
            const __m256d isZero = _mm256_cmp_pd(length, zero, _CMP_EQ_OQ);
            for (int a = 0; a < 3; ++a)
                v[a] = _mm256_blendv_pd(_mm256_div_pd(v[a], length), zero, isZero);
        }
        __m256d dots[2];
        for (int k = 0; k < 2; ++k) {
            const __m256d* v = k == 0 ? d : h;
            const __m256d dot = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(v[0], _mm256_set1_pd(l.normal[0])),
                                                            _mm256_mul_pd(v[1], _mm256_set1_pd(l.normal[1]))),
                                              _mm256_mul_pd(v[2], _mm256_set1_pd(l.normal[2])));
            dots[k] = _mm256_blendv_pd(dot, zero, _mm256_cmp_pd(dot, zero, _CMP_LT_OQ));
        }
        for (int a = 0; a < 3; ++a) {
            _mm256_storeu_pd(l.dir[a] + i, d[a]);
            _mm256_storeu_pd(l.half[a] + i, h[a]);
        }
        _mm256_storeu_pd(l.diffuse + i, dots[0]);
        _mm256_storeu_pd(l.specularBase + i, dots[1]);
    }
}

// The same, eight lights a step.
__attribute__((target("avx512f"))) void ComputeAvx512(const BatchArrays& l, std::size_t lights)
{
    const __m512d zero = _mm512_setzero_pd();
    for (std::size_t i = 0; i < lights; i += 8) {
        __m512d d[3], h[3];
        for (int a = 0; a < 3; ++a) {
            d[a] = _mm512_sub_pd(_mm512_loadu_pd(l.position[a] + i), _mm512_set1_pd(l.point[a]));
            h[a] = _mm512_add_pd(d[a], _mm512_set1_pd(l.view[a]));
        }
        for (__m512d* v : {d, h}) {
            const __m512d length = _mm512_sqrt_pd(_mm512_add_pd(
                _mm512_add_pd(_mm512_mul_pd(v[0], v[0]), _mm512_mul_pd(v[1], v[1])), _mm512_mul_pd(v[2], v[2])));
            const __mmask8 isZero = _mm512_cmp_pd_mask(length, zero, _CMP_EQ_OQ);
            for (int a = 0; a < 3; ++a)
                v[a] = _mm512_mask_blend_pd(isZero, _mm512_div_pd(v[a], length), zero);
        }
        __m512d dots[2];
        for (int k = 0; k < 2; ++k) {
            const __m512d* v = k == 0 ? d : h;
            const __m512d dot = _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(v[0], _mm512_set1_pd(l.normal[0])),
                                                            _mm512_mul_pd(v[1], _mm512_set1_pd(l.normal[1]))),
                                              _mm512_mul_pd(v[2], _mm512_set1_pd(l.normal[2])));
            dots[k] = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(dot, zero, _CMP_LT_OQ), dot, zero);
        }
        for (int a = 0; a < 3; ++a) {
            _mm512_storeu_pd(l.dir[a] + i, d[a]);
            _mm512_storeu_pd(l.half[a] + i, h[a]);
        }
        _mm512_storeu_pd(l.diffuse + i, dots[0]);
        _mm512_storeu_pd(l.specularBase + i, dots[1]);
    }
}

}  // namespace

void LightBatch::SetLights(const std::vector<float>& positions, unsigned lights)
{
    lightCount = lights;
    count = (static_cast<std::size_t>(lights) + Lanes - 1) / Lanes * Lanes;
    for (int a = 0; a < 3; ++a) {
        // Padding lanes sit at the origin; their results are never read.
        position[a].assign(count, 0.0);
        for (unsigned j = 0; j < lights && 3 * std::size_t(j) + a < positions.size(); ++j)
            position[a][j] = positions[3 * std::size_t(j) + a];
        dir[a].assign(count, 0.0);
        half[a].assign(count, 0.0);
    }
    diffuse.assign(count, 0.0);
    specularBase.assign(count, 0.0);
}

void LightBatch::Compute(const Vec3& point, const Vec3& view, const Vec3& normal)
{
    const BatchArrays l{{position[0].data(), position[1].data(), position[2].data()},
                        {dir[0].data(), dir[1].data(), dir[2].data()},
                        {half[0].data(), half[1].data(), half[2].data()},
                        diffuse.data(),
                        specularBase.data(),
                        {point.x, point.y, point.z},
                        {view.x, view.y, view.z},
                        {normal.x, normal.y, normal.z}};
    // Up to four lights take one step of four lanes (AVX-512 includes AVX2).
    if (instructionSet == InstructionSet::Avx512 && lightCount > 4)
        ComputeAvx512(l, lightCount);
    else
        ComputeAvx2(l, lightCount);
}
