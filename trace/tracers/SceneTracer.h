#ifndef GLINTWORK_SCENETRACER_H
#define GLINTWORK_SCENETRACER_H

#include "trace/math/Matrix4.h"
#include "trace/tracers/RoomTracer.h"

namespace glintwork {

// The first tracer: the room as seen from the eye. Its spheres move along x
// with the keys and mouse drags, half a unit per step.
class SceneTracer : public RoomTracer {
public:
    SceneTracer();

    // Traces every pixel, row by row, into a fresh point list.
    void Render();
    // Traces rows [rowBegin, rowEnd), appending to `out`.
    void RenderRows(unsigned rowBegin, unsigned rowEnd, PointList& out);

    void MoveSpheresLeft();
    void MoveSpheresRight();
    void MoveSpheres();

    Matrix4 transform;
    float moveMatrix[16];
};

}  // namespace glintwork

#endif
