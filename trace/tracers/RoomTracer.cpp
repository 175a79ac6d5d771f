// The fast tracer's set-up from a scene: the view, the room, the lights and
// spheres, and the factors of the room planes' light terms worked out once.

#include "trace/tracers/RoomTracer.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "trace/kernels/SpecularCutoff.h"
#include "trace/scene/Scene.h"
#include "trace/math/ViewGeometry.h"

namespace glintwork {

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
    sphereBatch.SetLights(lightPositions, lightCount);
    blockerBatch.SetLights(lightPositions, lightCount);
    blockers.SetLights(lightPositions, lightCount);
    for (PlanePointBatch& batch : planePointBatches)
        batch.SetLights(lightPositions, lightCount);
    planeLightFactors.assign(std::size_t(lightCount) * RoomPlanes, PlaneLightFactors{});
    for (unsigned j = 0; j < lightCount; ++j) {
        const float* l = &lightColours[9 * static_cast<std::size_t>(j)];
        for (std::size_t k = 0; k < RoomPlanes && 9 * k + 9 <= planeMaterials.size(); ++k) {
            const float* m = &planeMaterials[9 * k];
            PlaneLightFactors& f = planeLightFactors[j * std::size_t(RoomPlanes) + k];
            for (int c = 0; c < 3; ++c) {
                f.ambient[c] = static_cast<double>(l[c]) * m[c];
                for (unsigned ones = 0; ones < 8; ++ones) {
                    const float tint = static_cast<float>(ones >> c & 1u);
                    f.tinted[ones][c] = static_cast<double>(tint) * l[3 + c] * m[3 + c];
                }
                f.specular[c] = static_cast<double>(l[6 + c]) * m[6 + c];
            }
        }
    }
    std::vector<PlaneLightSums::LightOnPlane> onPlanes(std::size_t(lightCount) * PlaneLightSums::Planes);
    static_assert(PlaneLightSums::Planes == RoomPlanes, "a factor for every room plane");
    for (std::size_t i = 0; i < onPlanes.size(); ++i) {
        const PlaneLightFactors& f = planeLightFactors[i];
        for (int c = 0; c < 3; ++c) {
            onPlanes[i].ambient[c] = f.ambient[c];
            onPlanes[i].untinted[c] = f.tinted[0][c];  // no tint channel set
            onPlanes[i].tinted[c] = f.tinted[7][c];    // every one set
            onPlanes[i].specular[c] = f.specular[c];
        }
    }
    planeLightSums.SetLights(onPlanes, lightCount);
    for (std::vector<float>& channel : sumInputs.shadow)
        channel.assign(std::size_t(lightCount) * PlaneSumInputs::Room, 0.0f);
    sumInputs.blocked.assign(lightCount, 0u);
    blockers.Clear();
    blockerSlots.assign(blockers.Room(), 0u);
    sphereLightFactors.assign(std::size_t(lightCount) * sphereCount, SphereLightFactors{});
    std::vector<BlockerBatch::LightOnSphere> onBlockers(std::size_t(lightCount) * sphereCount);
    for (unsigned j = 0; j < lightCount; ++j) {
        const float* l = &lightColours[9 * static_cast<std::size_t>(j)];
        for (std::size_t i = 0; i < sphereCount; ++i) {
            const float* m = &sphereMaterials[9 * i];
            SphereLightFactors& f = sphereLightFactors[j * std::size_t(sphereCount) + i];
            for (int c = 0; c < 3; ++c) {
                f.ambient[c] = static_cast<double>(l[c]) * m[c];
                f.diffuse[c] = static_cast<double>(l[3 + c]) * m[3 + c];
                f.specular[c] = static_cast<double>(l[6 + c]) * m[6 + c];
            }
            for (std::size_t e = 0; e < sphereCount; ++e)
                f.cutoff[e] = SpecularCutoff(f.ambient, f.diffuse, f.specular, sphereExponents[e]);
            BlockerBatch::LightOnSphere& b = onBlockers[j * std::size_t(sphereCount) + i];
            for (int c = 0; c < 3; ++c) {
                b.ambient[c] = f.ambient[c];
                b.diffuse[c] = f.diffuse[c];
                b.specular[c] = f.specular[c];
            }
            b.cutoff = f.cutoff[i];
        }
    }
    blockers.SetLightsOnSpheres(onBlockers, sphereCount);
}

}  // namespace glintwork
