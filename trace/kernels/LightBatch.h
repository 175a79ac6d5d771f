#ifndef GLINTWORK_LIGHTBATCH_H
#define GLINTWORK_LIGHTBATCH_H

#include <cstddef>
#include <vector>

#include "trace/math/Vec3.h"

namespace glintwork {

// The light terms of every light at one point (of a room plane, or where a
// line enters a blocking sphere), several lights at once in the lanes of a
// vector (LightTerms of LaneFormulas-inl.h, with a unit normal: normalised once by the caller
// where it is not a unit axis already); only the power is left to the
// caller (std::pow per light, and only where used).
class LightBatch {
public:
    // Padding: arrays hold a whole number of the widest vectors.
    static constexpr std::size_t Lanes = 8;

    // The light positions as floats, three per light.
    void SetLights(const std::vector<float>& positions, unsigned count);

    // Per light: the unit light direction, the normalised half vector of it
    // and `view`, the diffuse factor and the clamped base of the specular
    // power, at `point` with unit normal `normal`.
    void Compute(const Vec3& point, const Vec3& view, const Vec3& normal);

    Vec3 LightDir(unsigned j) const { return Vec3(dir[0][j], dir[1][j], dir[2][j]); }
    Vec3 Half(unsigned j) const { return Vec3(half[0][j], half[1][j], half[2][j]); }
    double Diffuse(unsigned j) const { return diffuse[j]; }
    double SpecularBase(unsigned j) const { return specularBase[j]; }

private:
    std::size_t lightCount = 0;
    std::size_t count = 0;  // lights, padded to a multiple of Lanes
    std::vector<double> position[3];
    std::vector<double> dir[3];
    std::vector<double> half[3];
    std::vector<double> diffuse;
    std::vector<double> specularBase;
};

}  // namespace glintwork

#endif
