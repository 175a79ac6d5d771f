#include "trace/tracers/RoomTracer.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "trace/kernels/InstructionSet.h"
#include "trace/scene/Scene.h"
#include "trace/math/ViewGeometry.h"

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
    lightBatch.SetLights(lightPositions, lightCount);
    blockerBatch.SetLights(lightPositions, lightCount);
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
}

void RoomTracer::PlotPoint(const Vec3& point, float red, float green, float blue)
{
    Sink().push_back(PlotRecord{red, green, blue, static_cast<float>(point.x), static_cast<float>(point.y),
                                static_cast<float>(point.z)});
}

void RoomTracer::PrepareBatch()
{
    PrimaryBatch::Constants& k = batchConstants;
    const double e[3] = {eye.x, eye.y, eye.z};
    for (int a = 0; a < 3; ++a)
        k.eye[a] = e[a];
    for (int p = 0; p < RoomPlanes; ++p) {
        k.normal[p][0] = planeNormals[p].x;
        k.normal[p][1] = planeNormals[p].y;
        k.normal[p][2] = planeNormals[p].z;
        k.numerator[p] = Dot(planePoints[p] - eye, planeNormals[p]);
    }
    k.xMin = planePoints[0].x;
    k.xMax = planePoints[1].x;
    k.zMin = planePoints[2].z;
    k.zMax = nearZ;
    k.yMin = planePoints[3].y;
    k.yMax = planePoints[4].y;
    k.depthLimit = depthLimit;
    sphereSet = Spheres();
    k.sphereCount = sphereCount;
    for (unsigned m = 0; m < sphereCount; ++m)
        SphereTerms<OneLane>(k.eye, sphereSet.centre[m], sphereSet.radiusSquared[m], k.eyeToCentre[m], k.eyeSphereC[m]);
    for (PlanePointBatch& batch : planePointBatches)
        batch.SetSpheres(sphereSet);
    // A and C of every column, by the pixel set-up itself.
    const std::size_t padded =
        (std::size_t(columns) + PrimaryBatch::Lanes - 1) / PrimaryBatch::Lanes * PrimaryBatch::Lanes;
    for (std::vector<double>& v : k.columnA)
        v.assign(padded, 0.0);
    for (unsigned column = 0; column < columns; ++column) {
        Vec3 a, b, c;
        SetUpPixel(0, column, a, b, c);
        k.columnA[0][column] = a.x;
        k.columnA[1][column] = a.y;
        k.columnA[2][column] = a.z;
        k.c[0] = c.x;
        k.c[1] = c.y;
        k.c[2] = c.z;
    }
}

void RoomTracer::ShadeBatchedPixel(unsigned lane)
{
    const PrimaryBatch& batch = primaryBatch;
    const unsigned bit = 1u << lane;
    const Vec3 primaryDir(batch.dir[0][lane], batch.dir[1][lane], batch.dir[2][lane]);
    for (; nextBatchedPoint < batchedPoints && batchedLane[nextBatchedPoint] == lane; ++nextBatchedPoint) {
        const int k = batchedPlane[nextBatchedPoint];
        const Vec3 hitPoint(batch.hit[k][0][lane], batch.hit[k][1][lane], batch.hit[k][2][lane]);
        const unsigned group = lane / ShadeGroup;
        ShadeBatchedPlanePoint(planePointBatches[group], k, nextBatchedPoint - groupStart[group], hitPoint);
    }
    if (keeping.mode == KeepMode::Record)
        KeepPixel(primaryDir);
    for (unsigned i = 0; i < sphereCount; ++i) {
        if (batch.maybeSphere[i] & bit)
            ShadeSphere(primaryDir, i);
    }
}

void RoomTracer::TraceRowsBatched(unsigned rowBegin, unsigned rowEnd, PointList& out)
{
    plotted.band = &out;
    PrepareBatch();
    for (unsigned row = rowBegin; row < rowEnd; ++row) {
        Vec3 a, b, c;
        SetUpPixel(row, 0, a, b, c);
        batchConstants.rowB[0] = b.x;
        batchConstants.rowB[1] = b.y;
        batchConstants.rowB[2] = b.z;
        for (unsigned first = 0; first < columns; first += PrimaryBatch::Lanes) {
            const unsigned count = std::min(PrimaryBatch::Lanes, columns - first);
            primaryBatch.Trace(batchConstants, first, count);
            ShadeBatch(count);
        }
    }
    plotted.band = nullptr;
}

void RoomTracer::ShadeBatch(unsigned count)
{
    // Every plane point of these pixels, in the order they are shaded.
    batchedPoints = 0;
    nextBatchedPoint = 0;
    const unsigned groups = (count + ShadeGroup - 1) / ShadeGroup;
    for (unsigned g = 0; g < groups; ++g) {
        PlanePointBatch& batch = planePointBatches[g];
        batch.Clear();
        groupStart[g] = batchedPoints;
        for (unsigned lane = g * ShadeGroup; lane < count && lane < (g + 1) * ShadeGroup; ++lane) {
            const Vec3 view(primaryBatch.dir[0][lane], primaryBatch.dir[1][lane], primaryBatch.dir[2][lane]);
            for (int k = 0; k < RoomPlanes; ++k) {
                if (!(primaryBatch.accepted[k] >> lane & 1u))
                    continue;
                batchedLane[batchedPoints] = static_cast<std::uint8_t>(lane);
                batchedPlane[batchedPoints++] = static_cast<std::uint8_t>(k);
                batch.Add(
                    Vec3(primaryBatch.hit[k][0][lane], primaryBatch.hit[k][1][lane], primaryBatch.hit[k][2][lane]),
                    planeNormals[k], view);
            }
        }
    }
    for (unsigned g = 0; g < groups; ++g)
        planePointBatches[g].Compute();
    for (unsigned lane = 0; lane < count; ++lane)
        ShadeBatchedPixel(lane);
}
