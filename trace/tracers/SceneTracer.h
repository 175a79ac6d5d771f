#ifndef GLINTWORK_SCENETRACER_H
#define GLINTWORK_SCENETRACER_H

#include <memory>

#include "trace/math/Matrix4.h"
#include "trace/tracers/PointList.h"
#include "trace/tracers/RoomSetUp.h"
#include "trace/tracers/ViewInputs.h"

namespace glintwork {

// The first tracer: the room as seen from the eye, as the single view or as
// one eye of the side-by-side pair. Its spheres move along x with the keys
// and mouse drags, half a unit per step; its reflections and coloured
// shadows switch on and off. It holds what the keys change; the frame is
// traced from its set-up and its inputs (RoomTracer, KeptViews).
class SceneTracer {
public:
    SceneTracer();

    // The set-up to trace: the spheres go where its scene puts them; the
    // eye and the switches stay as they are.
    void SetUp(std::shared_ptr<const RoomSetUp> setUp);
    const RoomSetUp& SetUpTraced() const { return *setUp; }
    void SetEye(const Vec3& position) { inputs.eye = position; }

    void MoveSpheresLeft();
    void MoveSpheresRight();
    void ToggleReflections() { inputs.reflectionsOn = !inputs.reflectionsOn; }
    void ToggleColouredShadows() { inputs.colouredShadowsOn = !inputs.colouredShadowsOn; }
    bool ReflectionsOn() const { return inputs.reflectionsOn; }
    bool ColouredShadowsOn() const { return inputs.colouredShadowsOn; }

    // What the picture from the eye depends on, as a view of `kind` (the
    // single view or a pair's eye).
    ViewInputs Inputs(ViewInputs::Kind kind = ViewInputs::Kind::Single) const;
    // Every pixel, row by row, on the calling thread, into a fresh point list.
    PointList Render() const;

private:
    void MoveSpheres();

    std::shared_ptr<const RoomSetUp> setUp;
    ViewInputs inputs;
    Matrix4 transform;
    float moveMatrix[16];
};

}  // namespace glintwork

#endif
