// The room tracer's plane points kept between frames and composed again
// (what each kept value depends on is set out in KeptView.h).

#include <algorithm>
#include <cmath>

#include "trace/kernels/ComposeBatch.h"
#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/LightTerms.h"
#include "trace/tracers/RoomTracer.h"

namespace glintwork {

void RoomTracer::StartKeeping(KeptBand* band, KeepMode mode, std::size_t maxValues, unsigned valuesPerLight)
{
    keeping = KeepingState{band, band ? mode : KeepMode::Off, maxValues, valuesPerLight};
    if (keeping.mode == KeepMode::Record) {
        band->pixelDirs.clear();
        band->pixelEnds.clear();
        band->pointPlane.clear();
        band->hits.clear();
        band->lightValues.clear();
        band->valuesPerLight = valuesPerLight;
        band->shadowBalls.clear();
        band->composed.clear();
        band->shadowed.clear();
        band->complete = false;
        // About one plane point a pixel: room for a band of eight rows at once.
        const std::size_t lights = std::size_t(valuesPerLight) * lightCount;
        const std::size_t points =
            std::min<std::size_t>(std::size_t(8) * columns, maxValues / KeptView::PointValues(lights));
        band->pixelDirs.reserve(std::size_t(8) * columns);
        band->pixelEnds.reserve(std::size_t(8) * columns);
        band->pointPlane.reserve(points);
        band->hits.reserve(3 * points);
        band->lightValues.reserve(lights * points);
        band->composed.reserve(points);
        band->shadowed.reserve(points);
    }
}

bool RoomTracer::RecordPlanePoint(int k, const Vec3& hitPoint)
{
    KeptBand& band = *keeping.band;
    const std::size_t values = std::size_t(keeping.valuesPerLight) * lightCount;
    if (band.hits.size() + band.lightValues.size() + 3 + values > keeping.maxValues) {
        keeping.mode = KeepMode::Off;  // over the budget: the band stays incomplete
        return false;
    }
    band.pointPlane.push_back(static_cast<std::uint8_t>(k));
    band.hits.push_back(hitPoint.x);
    band.hits.push_back(hitPoint.y);
    band.hits.push_back(hitPoint.z);
    band.lightValues.resize(band.lightValues.size() + values);
    return true;
}

double* RoomTracer::KeptLightValues()
{
    KeptBand& band = *keeping.band;
    const std::size_t values = std::size_t(keeping.valuesPerLight) * lightCount;
    return values != 0 ? band.lightValues.data() + band.lightValues.size() - values : nullptr;
}

void RoomTracer::KeepPixel(const Vec3& primaryDir)
{
    keeping.band->pixelDirs.push_back(primaryDir);
    keeping.band->pixelEnds.push_back(static_cast<std::uint32_t>(keeping.band->composed.size()));
}

void RoomTracer::KeepComposed(bool shadowed)
{
    keeping.band->composed.push_back(Sink().back());
    keeping.band->shadowed.push_back(shadowed);
}

void RoomTracer::ComposeKeptRows(PointList& out)
{
    KeptBand& band = *keeping.band;
    sphereSet = Spheres();
    const SphereSet& spheres = sphereSet;
    if (keeping.mode == KeepMode::Compose)
        ComposeKeptPlanes(spheres);

    // The pixels in order: each one's plane points as composed, then its
    // sphere points, traced in full, a batch of them at a time. Composing
    // the plane points first changes nothing a sphere point reads.
    const std::size_t pixels = band.pixelDirs.size();
    sphereCandidates.resize(pixels);
    const std::size_t candidates =
        SphereCandidates(band.pixelDirs.data(), pixels, eye, spheres, sphereCandidates.data());
    PrepareSphereBatch();
    plotted.band = &out;
    // Plane points go out in runs, up to the next pixel with sphere points.
    const PlotRecord* composed = band.composed.data();
    std::size_t runStart = 0;
    for (std::size_t c = 0; c < candidates;) {
        sphereBatch.Clear();
        std::size_t end = c;
        for (; end < candidates; ++end) {
            const unsigned maybeSphere = sphereCandidates[end] & 0xffu;
            if (sphereBatch.Count() + __builtin_popcount(maybeSphere) > SphereBatch::Capacity)
                break;
            const Vec3 primaryDir = band.pixelDirs[sphereCandidates[end] >> 8];
            for (unsigned i = 0; i < sphereCount; ++i) {
                if (maybeSphere >> i & 1u)
                    sphereBatch.Add(primaryDir, i);
            }
        }
        sphereBatch.Compute();
        nextSphere = 0;
        for (; c < end; ++c) {
            const std::size_t pixel = sphereCandidates[c] >> 8;
            const unsigned maybeSphere = sphereCandidates[c] & 0xffu;
            const std::size_t runEnd = band.pixelEnds[pixel];
            if (runEnd - runStart < 16) {  // a few points: cheaper than a copy call
                for (std::size_t p = runStart; p < runEnd; ++p)
                    out.push_back(composed[p]);
            } else {
                out.insert(out.end(), composed + runStart, composed + runEnd);
            }
            runStart = runEnd;
            for (unsigned i = 0; i < sphereCount; ++i) {
                if (maybeSphere >> i & 1u)
                    ShadeSphere(nextSphere++);
            }
        }
    }
    out.insert(out.end(), composed + runStart, composed + band.composed.size());
    plotted.band = nullptr;
}

// The plane colours of the band's points that some sphere shadows now or
// shadowed when last composed, worked out again from their kept hit points
// as the trace works them out (PlanePointBatch, SumPlanePoints), a batch
// of points at once, with the kept light values where the band has them
// (with the diffuse factors kept, the light directions only of the lights
// some sphere blocks).
// The shadow tests of all points come first, a band at once, to find the
// points to shade again; a point that no sphere shadowed last time nor
// shadows now keeps its colour.
// (A view is composed only after its spheres moved, so there is at least
// one sphere: with none, no light of the traced path is blocked.)
void RoomTracer::ComposeKeptPlanes(const SphereSet& spheres)
{
    KeptBand& band = *keeping.band;
    const std::size_t count = band.pointPlane.size();
    const std::size_t chunks = (count + ShadowChunk - 1) / ShadowChunk;
    if (band.shadowBalls.size() != 4 * chunks) {
        band.shadowBalls.resize(4 * chunks);
        ShadowBalls(band.hits.data(), count, band.shadowBalls.data());
    }
    shadowMasks.resize(count * lightCount);
    ShadowMasks(band.hits.data(), count, band.shadowBalls.data(), lightPositions.data(), lightCount, spheres,
                shadowMasks.data());
    pointsToCompose.resize(count);
    const std::size_t toCompose =
        PointsToCompose(shadowMasks.data(), lightCount, band.shadowed.data(), count, pointsToCompose.data());
    PlanePointBatch& batch = planePointBatches[0];
    batch.SetSpheres(spheres);
    blockers.SetSpheres(spheres);
    // As many points a batch as the blocker batch holds every light of (a
    // scene may have no lights).
    blockers.Clear();
    const std::size_t run = std::max<std::size_t>(
        1, std::min<std::size_t>(PlanePointBatch::MaxPoints, blockers.Room() / std::max(lightCount, 1u)));
    const unsigned perLight = band.valuesPerLight;
    std::size_t pixel = 0;
    for (std::size_t first = 0; first < toCompose; first += run) {
        const std::size_t end = std::min(toCompose, first + run);
        // The shadow tests are done: the batch takes their results.
        batch.Clear();
        batch.ClearOnLine();
        for (std::size_t i = first; i < end; ++i) {
            const std::size_t p = pointsToCompose[i];
            while (band.pixelEnds[pixel] <= p)
                ++pixel;
            const double* point = &band.hits[3 * p];
            const int k = band.pointPlane[p];
            const unsigned n = batch.Add(Vec3(point[0], point[1], point[2]), planeNormals[k], band.pixelDirs[pixel],
                                         planeExponents[k]);
            for (unsigned j = 0; j < lightCount; ++j) {
                const unsigned onLine = shadowMasks[j * count + p];
                if (onLine != 0)
                    batch.SetOnLine(j, n, onLine);
            }
            // The point's kept light values are read only when the batch's
            // blockers are done: asked for from memory now.
            const std::size_t values = std::size_t(perLight) * lightCount;
            for (std::size_t at = 0; at < values; at += 64 / sizeof(double))
                __builtin_prefetch(band.lightValues.data() + values * p + at);
        }
        // Without kept values the powers are worked out again, most of them
        // by squaring (the sums redo the few points where that might show).
        batch.Compute(perLight == 0   ? PlanePointBatch::Work::Shading
                      : perLight == 1 ? PlanePointBatch::Work::Diffuse
                                      : PlanePointBatch::Work::BlockedLightDirs,
                      perLight == 0);
        blockers.Clear();
        nextBlocker = 0;
        QueueBlockers(batch, 0);
        if (blockers.Count() != 0)
            blockers.Compute(sphereExponents.data());
        PlaneSumInputs& in = sumInputs;
        std::uint8_t planes[PlaneSumInputs::Room];
        for (std::size_t i = first; i < end; ++i) {
            const std::size_t p = pointsToCompose[i];
            planes[i - first] = band.pointPlane[p];
            in.keptAt[i - first] = static_cast<std::int64_t>(std::size_t(perLight) * lightCount * p);
        }
        SumPlanePoints(batch, planes, perLight, perLight != 0 ? band.lightValues.data() : nullptr, 0);
        for (std::size_t i = first; i < end; ++i) {
            const std::size_t p = pointsToCompose[i];
            const double* point = &band.hits[3 * p];
            const unsigned n = static_cast<unsigned>(i - first);
            const float(&sums)[3][PlaneSumInputs::Room] = in.sums[0];
            band.shadowed[p] = batch.BlockedPoints() >> n & 1u;
            band.composed[p] = PlotRecord{sums[0][n],
                                          sums[1][n],
                                          sums[2][n],
                                          static_cast<float>(point[0]),
                                          static_cast<float>(point[1]),
                                          static_cast<float>(point[2])};
        }
    }
}

}  // namespace glintwork
