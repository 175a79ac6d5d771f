#include "trace/tracers/TraceScratch.h"

#include "trace/tracers/RoomSetUp.h"

namespace glintwork {

void TraceScratch::Fit(const RoomSetUp& setUp)
{
    if (fittedTo == setUp.Id())
        return;
    fittedTo = setUp.Id();
    lights = setUp.LightCount();
    for (PlanePointBatch& batch : planePoints)
        batch.Fit(lights);
    spheres.Fit(lights);
    blockers.Fit(lights);
    blockerColours.assign(blockers.Room(), nullptr);
    blockerStrides.assign(blockers.Room(), 0);
    sumInputs.blocked.assign(lights, 0u);
    for (std::vector<float>& shadow : sumInputs.shadow)
        shadow.assign(3 * std::size_t(lights) * Room, 0.0f);
    sphereShadows.assign(3 * std::size_t(lights) * SphereBatch::Capacity, 0.0f);
}

}  // namespace glintwork
