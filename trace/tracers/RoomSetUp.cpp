#include "trace/tracers/RoomSetUp.h"

#include <algorithm>
#include <atomic>

#include "trace/math/ViewGeometry.h"
#include "trace/scene/Scene.h"
#include "trace/tracers/ViewInputs.h"

namespace glintwork {

namespace {

template <typename T> void CopyPrefix(const std::vector<T>& from, std::size_t count, std::vector<T>& to)
{
    to.assign(count, T());
    std::copy_n(from.begin(), std::min(count, from.size()), to.begin());
}

std::uint64_t NewId()
{
    static std::atomic<std::uint64_t> ids{0};
    return ++ids;
}

}  // namespace

RoomSetUp::RoomSetUp(const Scene& scene, float fieldOfView, float aspect, float nearDistance) : id(NewId())
{
    planeNormals[0] = Vec3(1.0, 0.0, 0.0);
    planeNormals[1] = Vec3(-1.0, 0.0, 0.0);
    planeNormals[2] = Vec3(0.0, 0.0, 1.0);
    planeNormals[3] = Vec3(0.0, 1.0, 0.0);
    planeNormals[4] = Vec3(0.0, -1.0, 0.0);
    SetUpView(scene, fieldOfView, aspect, nearDistance);
    SetRoom(scene);
    LoadScene(scene);
}

RoomSetUp::RoomSetUp(const Scene& scene)
    : RoomSetUp(scene, FieldOfView,
                static_cast<float>(scene.screenWidth) / static_cast<float>(scene.screenHeight), NearDistance)
{
}

void RoomSetUp::SetUpView(const Scene& scene, float fieldOfView, float aspect, float nearDistance)
{
    top = ImagePlaneTop(fieldOfView, Pi, nearDistance);
    right = aspect * top;
    bottom = -top;
    left = -right;
    nearZ = -nearDistance;

    columns = scene.screenWidth;
    rows = scene.screenHeight;
    sphereCount = std::min<unsigned>(scene.sphereCount, MaxSpheres);
    depthLimit = scene.rayTraceDepth;
    for (unsigned i = 0; i < sphereCount && 3 * i + 2 < scene.sphereCentres.size(); ++i)
        firstCentres[i] =
            Vec4(scene.sphereCentres[3 * i], scene.sphereCentres[3 * i + 1], scene.sphereCentres[3 * i + 2], 1.0f);

    // A and C of every column, by the pixel set-up itself.
    const std::size_t padded =
        (std::size_t(columns) + PrimaryBatch::Lanes - 1) / PrimaryBatch::Lanes * PrimaryBatch::Lanes;
    for (std::vector<double>& v : columnA)
        v.assign(padded, 0.0);
    for (unsigned column = 0; column < columns; ++column) {
        Vec3 a, b, c;
        SetUpPixel(0, column, a, b, c);
        columnA[0][column] = a.x;
        columnA[1][column] = a.y;
        columnA[2][column] = a.z;
        pixelC[0] = c.x;
        pixelC[1] = c.y;
        pixelC[2] = c.z;
    }
}

void RoomSetUp::SetRoom(const Scene& scene)
{
    // Only single coordinates are taken, and the back wall is always at z = -30.
    const std::vector<float>& p = scene.planePoints;
    planePoints[0].x = p[3 * 0 + 0];
    planePoints[1].x = p[3 * 9 + 0];
    planePoints[2].z = -30.0;
    planePoints[3].y = p[3 * 17 + 1];
    planePoints[4].y = p[3 * 13 + 2];
    faceLow[0] = planePoints[0].x;
    faceHigh[0] = planePoints[1].x;
    faceLow[1] = planePoints[3].y;
    faceHigh[1] = planePoints[4].y;
    faceLow[2] = planePoints[2].z;
    faceHigh[2] = nearZ;
}

void RoomSetUp::LoadScene(const Scene& scene)
{
    lightCount = scene.lightCount;
    const std::size_t planes = scene.planePointCount / 4;
    CopyPrefix(scene.lightPositions, 3 * static_cast<std::size_t>(lightCount), lightPositions);
    CopyPrefix(scene.lightColours, 9 * static_cast<std::size_t>(lightCount), lightColours);
    CopyPrefix(scene.sphereRadii, sphereCount, sphereRadii);
    CopyPrefix(scene.sphereMaterials, 9 * static_cast<std::size_t>(sphereCount), sphereMaterials);
    CopyPrefix(scene.sphereExponents, sphereCount, sphereExponents);
    CopyPrefix(scene.planeMaterials, 9 * planes, planeMaterials);
    CopyPrefix(scene.planeExponents, planes, planeExponents);
    planeExponents.resize(std::max<std::size_t>(planes, RoomPlanes), 0.0);
    tables = LightTables(lightPositions, lightColours, lightCount, planeMaterials, sphereMaterials, sphereExponents,
                         sphereCount);
}

void RoomSetUp::SetUpPixel(unsigned row, unsigned column, Vec3& a, Vec3& b, Vec3& c) const
{
    Vec3 axisX(1.0, 0.0, 0.0);
    Vec3 axisY(0.0, 1.0, 0.0);
    Vec3 axisZ(0.0, 0.0, -1.0);

    axisZ.ScaleFrom(axisZ, nearZ);
    c = axisZ;

    // Samples sit on pixel edges: column 0 is exactly `left`.
    const double pixelX = static_cast<double>(2 * column) / static_cast<double>(columns) * right + left;
    axisX.ScaleFrom(axisX, pixelX);
    a = axisX;

    const double pixelY = static_cast<double>(2 * row) / static_cast<double>(rows) * top + bottom;
    axisY.ScaleFrom(axisY, pixelY);
    b = axisY;
}

SphereSet RoomSetUp::Spheres(const ViewInputs& inputs) const
{
    SphereSet spheres;
    spheres.count = sphereCount;
    for (unsigned m = 0; m < sphereCount; ++m) {
        const Vec4& centre = inputs.sphereCentres[m];
        spheres.centre[m][0] = centre.x;
        spheres.centre[m][1] = centre.y;
        spheres.centre[m][2] = centre.z;
        spheres.radiusSquared[m] = sphereRadii[m] * sphereRadii[m];
    }
    return spheres;
}

}  // namespace glintwork
