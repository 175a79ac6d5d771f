#ifndef GLINTWORK_ROOMSPHERES_H
#define GLINTWORK_ROOMSPHERES_H

#include <vector>

#include "trace/kernels/SphereLanes.h"
#include "trace/math/Vec3.h"
#include "trace/math/Vec4.h"
#include "trace/scene/TracedSpheres.h"

namespace glintwork {

// The spheres the fast tracer (RoomTracer) draws: the first MaxSpheres of
// the scene, with their materials and exponents, and the line tests on them.
// The centres move between frames (the scene view's moves); the rest is
// fixed by the set-up.
struct RoomSpheres {
    unsigned sphereCount = 0;
    Vec4 sphereCentres[MaxSpheres];
    std::vector<float> sphereRadii;
    std::vector<float> sphereMaterials;
    std::vector<double> sphereExponents;
    // Spheres() as a trace began (RoomTracer's PrepareBatch and
    // ComposeKeptRows): what the line tests read.
    SphereSet sphereSet;

    Vec3 SphereCentre(unsigned m) const { return Vec3(sphereCentres[m].x, sphereCentres[m].y, sphereCentres[m].z); }
    // The spheres as the line tests take them (SphereLanes.h), from the
    // centres and radii.
    SphereSet Spheres() const;
    // Whether sphere m lies on the whole line through `origin` along the
    // unit `direction`, and where that line enters it (asked only after the
    // first said yes): the line test of LaneFormulas-inl.h, on sphereSet.
    bool SphereOnLine(const Vec3& origin, const Vec3& direction, unsigned m) const;
    Vec3 LineEntry(const Vec3& origin, const Vec3& direction, unsigned m) const;
};

}  // namespace glintwork

#endif
