#include "trace/RoomTracer.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "trace/InstructionSet.h"
#include "trace/Scene.h"
#include "trace/ViewGeometry.h"

namespace {

template <typename T> void CopyPrefix(const std::vector<T>& from, std::size_t count, std::vector<T>& to)
{
    to.assign(count, T());
    std::copy_n(from.begin(), std::min(count, from.size()), to.begin());
}

}  // namespace

void RoomTracer::NewStamp()
{
    static std::atomic<std::uint64_t> stamps{0};
    setUpStamp = ++stamps;
}

RoomTracer::RoomTracer()
{
    planeNormals[0] = Vec3(1.0, 0.0, 0.0);
    planeNormals[1] = Vec3(-1.0, 0.0, 0.0);
    planeNormals[2] = Vec3(0.0, 0.0, 1.0);
    planeNormals[3] = Vec3(0.0, 1.0, 0.0);
    planeNormals[4] = Vec3(0.0, -1.0, 0.0);
}

void RoomTracer::SetUpView(const Scene& scene, float fieldOfView, float aspect, float nearDistance)
{
    NewStamp();
    top = ImagePlaneTop(fieldOfView, pi, nearDistance);
    right = aspect * top;
    bottom = -top;
    left = -right;
    nearZ = -nearDistance;

    columns = scene.screenWidth;
    rows = scene.screenHeight;
    sphereCount = std::min<unsigned>(scene.sphereCount, MaxSpheres);
    depthLimit = scene.rayTraceDepth;
    for (unsigned i = 0; i < sphereCount && 3 * i + 2 < scene.sphereCentres.size(); ++i)
        sphereCentres[i] =
            Vec4(scene.sphereCentres[3 * i], scene.sphereCentres[3 * i + 1], scene.sphereCentres[3 * i + 2], 1.0f);
}

void RoomTracer::SetRoom(const Scene& scene)
{
    NewStamp();
    // The scene holds at least 20 plane points (checked before set-up); only
    // single coordinates are taken, and the back wall is always at z = -30.
    const std::vector<float>& p = scene.planePoints;
    planePoints[0].x = p[3 * 0 + 0];
    planePoints[1].x = p[3 * 9 + 0];
    planePoints[2].z = -30.0;
    planePoints[3].y = p[3 * 17 + 1];
    planePoints[4].y = p[3 * 13 + 2];
}

void RoomTracer::LoadScene(const Scene& scene)
{
    NewStamp();
    lightCount = scene.lightCount;
    sphereCount = std::min<unsigned>(scene.sphereCount, MaxSpheres);
    planePointCount = scene.planePointCount;
    const std::size_t planes = planePointCount / 4;

    CopyPrefix(scene.lightPositions, 3 * static_cast<std::size_t>(lightCount), lightPositions);
    CopyPrefix(scene.lightColours, 9 * static_cast<std::size_t>(lightCount), lightColours);
    CopyPrefix(scene.sphereRadii, sphereCount, sphereRadii);
    CopyPrefix(scene.sphereMaterials, 9 * static_cast<std::size_t>(sphereCount), sphereMaterials);
    CopyPrefix(scene.sphereExponents, sphereCount, sphereExponents);
    CopyPrefix(scene.planeMaterials, 9 * planes, planeMaterials);
    CopyPrefix(scene.planeExponents, planes, planeExponents);
    lightBatch.SetLights(lightPositions, lightCount);
    lightBatch.Use(ChosenInstructionSet());
}

void RoomTracer::SetUpPixel(Vec3& a, Vec3& b, Vec3& c)
{
    axisX = Vec3(1.0, 0.0, 0.0);
    axisY = Vec3(0.0, 1.0, 0.0);
    axisZ = Vec3(0.0, 0.0, -1.0);

    axisZ.ScaleFrom(axisZ, nearZ);
    c = axisZ;

    // Samples sit on pixel edges: column 0 is exactly `left`.
    pixelX = static_cast<double>(2 * column) / static_cast<double>(columns) * right + left;
    axisX.ScaleFrom(axisX, pixelX);
    a = axisX;

    pixelY = static_cast<double>(2 * row) / static_cast<double>(rows) * top + bottom;
    axisY.ScaleFrom(axisY, pixelY);
    b = axisY;
}

void RoomTracer::TraceRoomAndSpheres()
{
    const std::size_t before = Sink().size();
    for (int k = 0; k < RoomPlanes; ++k) {
        // A plane that rejected its hit leaves rayDir scaled; the next plane's
        // test uses it as it stands.
        if (Dot(rayDir, planeNormals[k]) != 0.0)
            TracePlane(planePoints[k], planeNormals[k], k);
    }
    if (keeping.mode == KeepMode::Record) {
        keeping.band->pixelDirs.push_back(primaryDir);
        keeping.band->pixelPlanes.push_back(static_cast<std::uint8_t>(Sink().size() - before));
    }
    rayDir = primaryDir;
    for (unsigned i = 0; i < sphereCount; ++i)
        ShadeSphere(SphereCentre(i), i);
}

void RoomTracer::PlotPoint(float red, float green, float blue)
{
    Sink().push_back(PlotRecord{red, green, blue, static_cast<float>(hitPoint.x), static_cast<float>(hitPoint.y),
                                static_cast<float>(hitPoint.z)});
}
