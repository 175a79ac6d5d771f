#include "trace/tracers/EnvSceneTracer.h"

#include "trace/kernels/SphereLanes.h"

namespace glintwork {

void EnvSceneTracer::Render()
{
    plotted.own.clear();
    RenderRows(0, rows, plotted.own);
}

void EnvSceneTracer::RenderRows(unsigned rowBegin, unsigned rowEnd, PointList& out)
{
    const Vec3 envSphere(0.0, 0.0, -17.0);
    const double centre[3] = {envSphere.x, envSphere.y, envSphere.z};
    const double radiusSquared = 49.0;
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
        Vec3 envDir = direction;
        envDir.Normalize();
        const Vec3 envDirUnit = envDir;

        // The sphere line test and root of the fast path's spheres.
        const double e[3] = {eye.x, eye.y, eye.z};
        const double doubled[3] = {2.0 * envDir.x, 2.0 * envDir.y, 2.0 * envDir.z};
        double eyeFromSphere[3], c, b;
        SphereTerms<OneLane>(e, centre, radiusSquared, eyeFromSphere, c);
        const double disc = Discriminant<OneLane>(doubled, eyeFromSphere, c, b);
        if (disc < 0.0)
            return;  // the line misses the sphere: the pixel keeps the clear colour

        const double t = NearRoot<OneLane>(b, disc);
        envDir.ScaleFrom(envDir, t);
        const Vec3 envHitPoint = eye + envDir;

        // The normal keeps its length of 7: the bend is d - 2 (d . N) N.
        const Vec3 envNormal = envHitPoint - envSphere;
        double bent[3] = {envDirUnit.x, envDirUnit.y, envDirUnit.z};
        const double normal[3] = {envNormal.x, envNormal.y, envNormal.z};
        Mirror<OneLane>(bent, normal);

        // The bent rays of the pixels that draw are gathered and traced a
        // batch at a time, each shaded in pixel order.
        for (int a = 0; a < 3; ++a)
            primaryBatch.dir[a][gathered] = bent[a];
        if (++gathered == PrimaryBatch::Lanes)
            traceGathered();
    });
    plotted.band = &out;
    traceGathered();
    plotted.band = nullptr;
}

}  // namespace glintwork
