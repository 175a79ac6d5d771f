#ifndef GLINTWORK_ENVSCENETRACER_H
#define GLINTWORK_ENVSCENETRACER_H

#include "trace/tracers/RoomTracer.h"

namespace glintwork {

// The second tracer: every primary ray is first bent off an invisible
// environment sphere (radius 7, centre (0, 0, -17)) and the room is traced
// along the bent direction from the eye. Pixels whose ray line misses that
// sphere draw nothing. Its spheres never move; reflections and coloured
// shadows stay on.
class EnvSceneTracer : public RoomTracer {
public:
    // Traces every pixel, row by row, into a fresh point list.
    void Render();
    // Traces rows [rowBegin, rowEnd), appending to `out`.
    void RenderRows(unsigned rowBegin, unsigned rowEnd, PointList& out);
};

}  // namespace glintwork

#endif
