#ifndef GLINTWORK_SPHERELANES_H
#define GLINTWORK_SPHERELANES_H

#include <immintrin.h>

// The spheres as the batched line tests take them, and the test itself, on
// one line or in four AVX2 lanes. What SphereOnLine and ShadeSphere's miss
// test share: with f the line's origin minus a centre, c = f . f - r^2 and
// `doubled` the direction scaled by 2, b = doubled . f, and the sphere is on
// the line unless b^2 - 4c < 0. Every step is the scalar one in double, in
// the scalar order, so a lane's answer is the scalar answer.
struct SphereSet {
    static constexpr unsigned MaxSpheres = 5;
    unsigned count = 0;
    double centre[MaxSpheres][3] = {};      // the centres, widened from float
    double radiusSquared[MaxSpheres] = {};  // the float square, widened
};

// f and c of `origin` against every sphere of `s`.
inline void OriginSphereTerms(const double origin[3], const SphereSet& s, double f[][3], double c[])
{
    for (unsigned m = 0; m < s.count; ++m) {
        for (int a = 0; a < 3; ++a)
            f[m][a] = origin[a] - s.centre[m][a];
        c[m] = f[m][0] * f[m][0] + f[m][1] * f[m][1] + f[m][2] * f[m][2] - s.radiusSquared[m];
    }
}

inline bool LineMeetsSphere(const double doubled[3], const double f[3], double c)
{
    const double b = doubled[0] * f[0] + doubled[1] * f[1] + doubled[2] * f[2];
    return !(b * b - 4.0 * c < 0.0);
}

__attribute__((target("avx2"))) inline __m256d Dot3Lanes(const __m256d a[3], const __m256d b[3])
{
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(a[0], b[0]), _mm256_mul_pd(a[1], b[1])),
                         _mm256_mul_pd(a[2], b[2]));
}

// OriginSphereTerms with an origin a lane.
__attribute__((target("avx2"))) inline void OriginSphereTermsLanes(const __m256d origin[3], const SphereSet& s,
                                                                   __m256d f[][3], __m256d c[])
{
    for (unsigned m = 0; m < s.count; ++m) {
        for (int a = 0; a < 3; ++a)
            f[m][a] = _mm256_sub_pd(origin[a], _mm256_set1_pd(s.centre[m][a]));
        c[m] = _mm256_sub_pd(Dot3Lanes(f[m], f[m]), _mm256_set1_pd(s.radiusSquared[m]));
    }
}

// LineMeetsSphere a lane: bit l set where lane l's sphere is on its line (a NaN
// discriminant counts as on the line, as in the scalar test).
__attribute__((target("avx2"))) inline unsigned LineMeetsSphereBits(const __m256d doubled[3], const __m256d f[3],
                                                                    __m256d c)
{
    const __m256d b = Dot3Lanes(doubled, f);
    const __m256d disc = _mm256_sub_pd(_mm256_mul_pd(b, b), _mm256_mul_pd(_mm256_set1_pd(4.0), c));
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(disc, _mm256_setzero_pd(), _CMP_NLT_UQ)));
}

#endif
