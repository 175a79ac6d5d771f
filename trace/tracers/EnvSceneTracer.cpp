#include "trace/tracers/EnvSceneTracer.h"

#include "trace/tracers/RoomTracer.h"

namespace glintwork {

void EnvSceneTracer::SetUp(std::shared_ptr<const RoomSetUp> newSetUp)
{
    setUp = std::move(newSetUp);
    inputs.kind = ViewInputs::Kind::Environment;
    inputs.sphereCount = setUp->SphereCount();
    for (unsigned i = 0; i < inputs.sphereCount; ++i)
        inputs.sphereCentres[i] = setUp->FirstCentre(i);
}

PointList EnvSceneTracer::Render() const
{
    return TraceView(*setUp, inputs);
}

}  // namespace glintwork
