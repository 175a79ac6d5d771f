#include "trace/tracers/SceneTracer.h"

namespace glintwork {

SceneTracer::SceneTracer()
    : moveMatrix{1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}
{
}

void SceneTracer::Render()
{
    plotted.own.clear();
    RenderRows(0, rows, plotted.own);
}

void SceneTracer::RenderRows(unsigned rowBegin, unsigned rowEnd, PointList& out)
{
    TraceRowsBatched(rowBegin, rowEnd, out);
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
    for (unsigned i = 0; i < sphereCount; ++i)
        sphereCentres[i] = Transform(transform, sphereCentres[i]);
}

}  // namespace glintwork
