#include "trace/EnvSceneTracer.h"

#include <cmath>

void EnvSceneTracer::Render()
{
    plotted.own.clear();
    RenderRows(0, rows, plotted.own);
}

void EnvSceneTracer::RenderRows(unsigned rowBegin, unsigned rowEnd, PointList& out)
{
    const Vec3 envSphere(0.0, 0.0, -17.0);
    const double radiusSquared = 49.0;
    Vec3 eyeFromSphere(0.0, 0.0, 0.0);
    unsigned gathered = 0;
    auto traceGathered = [&]() {
        if (gathered == 0)
            return;
        primaryBatch.TraceGiven(batchConstants, gathered);
        ShadeBatch(gathered);
        gathered = 0;
    };
    PrepareBatch();

    ForEachPixel(rowBegin, rowEnd, out, [&](const Vec3& direction) {
        envDir = direction;
        envDir.Normalize();
        envDirUnit = envDir;

        eyeFromSphere = eye - envSphere;
        envDir.ScaleFrom(envDir, 2.0);
        const double bq = Dot(envDir, eyeFromSphere);
        envDir = envDirUnit;
        const double cq = Dot(eyeFromSphere, eyeFromSphere) - radiusSquared;
        const double disc = bq * bq - 4.0 * cq;
        if (disc < 0.0)
            return;  // the line misses the sphere: the pixel keeps the clear colour

        const double t = disc == 0.0 ? -bq / 2.0 : (-bq - std::sqrt(disc)) / 2.0;
        envDir.ScaleFrom(envDir, t);
        envHitPoint = eye + envDir;
        envDir = envDirUnit;

        // The normal keeps its length of 7: the bend is d - 2 (d . N) N.
        envNormal = envHitPoint - envSphere;
        Mirror(envDir, envNormal);

        rayDir = envDir;
        primaryDir = rayDir;
        envDir = envDirUnit;
        // The bent rays of the pixels that draw are gathered and traced a
        // batch at a time, each shaded in pixel order.
        primaryBatch.dir[0][gathered] = primaryDir.x;
        primaryBatch.dir[1][gathered] = primaryDir.y;
        primaryBatch.dir[2][gathered] = primaryDir.z;
        if (++gathered == PrimaryBatch::Lanes)
            traceGathered();
    });
    plotted.band = &out;
    traceGathered();
    plotted.band = nullptr;
}
