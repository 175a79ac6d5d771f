#include "SceneTracer.h"

SceneTracer::SceneTracer()
    : moveMatrix{1.0f, 0.0f, 0.0f, 0.0f,
                 0.0f, 1.0f, 0.0f, 0.0f,
                 0.0f, 0.0f, 1.0f, 0.0f,
                 0.0f, 0.0f, 0.0f, 1.0f}
{
}

void SceneTracer::Render()
{
    plotted.own.clear();
    RenderRows(0, rows, plotted.own);
}

void SceneTracer::RenderRows(unsigned rowBegin, unsigned rowEnd, PointList& out)
{
    plotted.band = &out;
    for (row = rowBegin; row < rowEnd; ++row) {
        for (column = 0; column < columns; ++column) {
            Vec3 a, b, c;
            SetUpPixel(a, b, c);
            rayDir = ((a + b) + c) - eye;
            rayDir.Normalize();
            primaryDir = rayDir;
            TraceRoomAndSpheres();
        }
    }
    plotted.band = nullptr;
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
