#ifndef GLINTWORK_PLANELIGHTSUMS_H
#define GLINTWORK_PLANELIGHTSUMS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/LightTables.h"

namespace glintwork {

// The colours of a batch of room-plane points, a vector of points at once:
// per channel the sum over the lights, in light order and rounded to float
// after every light, of each light's term. That is the unshadowed term
// (LightTerm) from the point's diffuse factor and power with its plane's
// products, its pattern's tint picking the diffuse product or none; or,
// where a sphere blocks the light, the ambient product plus the colour that
// sphere shows (ShadowedTerm). The products come from the scene's
// LightTables.
class PlaneLightSums {
public:
    static constexpr std::size_t Planes = LightTables::Planes;

    // Where a batch's values of light j and point p are: at
    // `values[j * lightStride + at[p]]`, or without `at` at
    // `values[j * lightStride + p]`. Lanes past the last point, up to a
    // whole vector, are read too: `at` needs a place for each of them (any
    // point's), `values` room for them.
    struct Values {
        const double* values;
        std::size_t lightStride;
        const std::int64_t* at;
    };
    // The batch: `points` points with their planes and pattern tints (a bit
    // per channel), diffuse factors and powers; per light j a bit per point
    // a sphere blocks it for (`blocked[j]`), and there the blocker's colour,
    // channel c at `shadow[c][j * shadowStride + p]`. The sums go to
    // `sums[c][p]`; `plane`, `tint` and `sums` have room for the points
    // rounded up to a whole vector.
    struct Batch {
        unsigned points;  // at most 32
        const std::int32_t* plane;
        const std::int32_t* tint;
        Values diffuse, power;
        const unsigned* blocked;
        const float* shadow[3];
        std::size_t shadowStride;
        float* sums[3];
        // The powers are approximations (PlanePointBatch::Compute),
        // each within 2^-45 of pow's (relative): Sum then also finds the
        // points whose sums might differ from those of pow's powers.
        bool approximatePowers;
    };
    // A bit per point whose sums might differ from those of pow's powers
    // (none unless the powers are approximations); its sums are to be worked
    // out again from pow's.
    static std::uint32_t Sum(const LightTables& tables, const Batch& batch);
};

}  // namespace glintwork

#endif
