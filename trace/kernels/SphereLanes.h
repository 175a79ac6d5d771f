#ifndef GLINTWORK_SPHERELANES_H
#define GLINTWORK_SPHERELANES_H

#include <cstddef>
#include <vector>

#include "trace/kernels/LaneMaths.h"
#include "trace/scene/TracedSpheres.h"

namespace glintwork {

// The spheres as the fast path's line tests take them (SphereTerms and
// MeetsSphere of LaneFormulas-inl.h).
struct SphereSet {
    static constexpr unsigned MaxSpheres = glintwork::MaxSpheres;
    unsigned count = 0;
    double centre[MaxSpheres][3] = {};      // the centres, widened from float
    double radiusSquared[MaxSpheres] = {};  // the float square, widened
};

// The first `count` light positions (floats, three a light, as the tracer
// loads them) widened to doubles, as the batches' kernels take them; lights
// past the given floats are at zero.
inline std::vector<double> LightPositions(const std::vector<float>& positions, unsigned count)
{
    std::vector<double> widened(3 * std::size_t(count), 0.0);
    for (std::size_t i = 0; i < widened.size() && i < positions.size(); ++i)
        widened[i] = positions[i];
    return widened;
}

}  // namespace glintwork

#endif
