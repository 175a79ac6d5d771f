#ifndef GLINTWORK_VIEWGEOMETRY_H
#define GLINTWORK_VIEWGEOMETRY_H

#include <cmath>

namespace glintwork {

// The view the window shows: a field of view of 100 degrees and a near
// distance of 0.01, at the aspect of the scene's screen.
constexpr float FieldOfView = 100.0f;
constexpr float NearDistance = 0.01f;

// The eyes the views are traced from, on the x axis: the single view and the
// environment view from the origin, the pair's two pictures from this far to
// either side of it.
constexpr double PairEyeOffset = 0.001;

// Half height of the image plane at the near distance for a field of view in
// degrees, with `pi` the tracer's value of pi (3.14141). The window's frustum
// and the tracers' image plane both come from here, so they agree bit for bit.
// The half angle is rounded to float, then tan of it times the near distance
// is rounded to float.
inline float ImagePlaneTop(float fieldOfView, float pi, float nearDistance)
{
    const float halfAngle =
        static_cast<float>(static_cast<double>(fieldOfView) / 2.0 * (static_cast<double>(pi) / 180.0));
    return static_cast<float>(std::tan(static_cast<double>(halfAngle)) * nearDistance);
}

}  // namespace glintwork

#endif
