#ifndef GLINTWORK_ENVSCENETRACER_H
#define GLINTWORK_ENVSCENETRACER_H

#include <memory>

#include "trace/tracers/PointList.h"
#include "trace/tracers/RoomSetUp.h"
#include "trace/tracers/ViewInputs.h"

namespace glintwork {

// The second tracer: every primary ray is first bent off an invisible
// environment sphere (radius 7, centre (0, 0, -17)) and the room is traced
// along the bent direction from the eye. Pixels whose ray line misses that
// sphere draw nothing. Its spheres never move; reflections and coloured
// shadows stay on.
class EnvSceneTracer {
public:
    // The set-up to trace, with the spheres where its scene puts them.
    void SetUp(std::shared_ptr<const RoomSetUp> setUp);
    const RoomSetUp& SetUpTraced() const { return *setUp; }
    void SetEye(const Vec3& position) { inputs.eye = position; }

    // What the picture depends on.
    const ViewInputs& Inputs() const { return inputs; }
    // Every pixel, row by row, on the calling thread, into a fresh point list.
    PointList Render() const;

private:
    std::shared_ptr<const RoomSetUp> setUp;
    ViewInputs inputs;
};

}  // namespace glintwork

#endif
