#ifndef GLINTWORK_SPHERELANES_H
#define GLINTWORK_SPHERELANES_H

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

}  // namespace glintwork

#endif
