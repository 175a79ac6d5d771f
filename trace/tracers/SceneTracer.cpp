#include "trace/tracers/SceneTracer.h"

#include "trace/tracers/RoomTracer.h"

namespace glintwork {

SceneTracer::SceneTracer()
    : moveMatrix{1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}
{
}

void SceneTracer::SetUp(std::shared_ptr<const RoomSetUp> newSetUp)
{
    setUp = std::move(newSetUp);
    inputs.sphereCount = setUp->SphereCount();
    for (unsigned i = 0; i < inputs.sphereCount; ++i)
        inputs.sphereCentres[i] = setUp->FirstCentre(i);
}

ViewInputs SceneTracer::Inputs(ViewInputs::Kind kind) const
{
    ViewInputs view = inputs;
    view.kind = kind;
    return view;
}

PointList SceneTracer::Render() const
{
    return TraceView(*setUp, inputs);
}

void SceneTracer::MoveSpheresLeft()
{
    moveMatrix[3] = -0.5f;  // entry (0, 3): the step along x
    MoveSpheres();
}

void SceneTracer::MoveSpheresRight()
{
    moveMatrix[3] = 0.5f;
    MoveSpheres();
}

void SceneTracer::MoveSpheres()
{
    transform.SetFromArray(moveMatrix);
    for (unsigned i = 0; i < inputs.sphereCount; ++i)
        inputs.sphereCentres[i] = Transform(transform, inputs.sphereCentres[i]);
}

}  // namespace glintwork
