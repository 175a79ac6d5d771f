// The fast tracer's plane points kept between frames and composed again
// (what each kept value depends on is set out in KeptBand.h).

#include <algorithm>

#include "trace/kernels/ComposeBatch.h"
#include "trace/tracers/RoomTracer.h"

namespace glintwork {

void RoomTracer::StartRecording(const BandRecording& keep, std::size_t pixels)
{
    recording = keep;
    recordingOn = keep.band != nullptr;
    if (!recordingOn)
        return;
    KeptBand& band = *keep.band;
    band.pixelDirs.clear();
    band.pixelEnds.clear();
    band.pointPlane.clear();
    band.pointTint.clear();
    band.hits.clear();
    band.lightValues.clear();
    band.valuesPerLight = keep.valuesPerLight;
    band.pixelsCovered = pixels;
    band.shadowBalls.clear();
    band.composed.clear();
    band.shadowed.clear();
    // About one plane point a pixel: room for a band of eight rows at once.
    const std::size_t columns = setUp.Columns();
    const std::size_t lights = std::size_t(keep.valuesPerLight) * lightCount;
    const std::size_t points = std::min<std::size_t>(8 * columns, keep.maxValues / KeptBand::PointValues(lights));
    band.pixelDirs.reserve(8 * columns);
    band.pixelEnds.reserve(8 * columns);
    band.pointPlane.reserve(points);
    band.pointTint.reserve(points);
    band.hits.reserve(3 * points);
    band.lightValues.reserve(lights * points);
    band.composed.reserve(points);
    band.shadowed.reserve(points);
}

bool RoomTracer::RecordPlanePoint(int k, const double point[3], std::int32_t tint)
{
    KeptBand& band = *recording.band;
    const std::size_t values = std::size_t(recording.valuesPerLight) * lightCount;
    if (band.hits.size() + band.lightValues.size() + 3 + values > recording.maxValues) {
        recordingOn = false;  // over the budget: the band stays incomplete
        return false;
    }
    band.pointPlane.push_back(static_cast<std::uint8_t>(k));
    band.pointTint.push_back(static_cast<std::uint8_t>(tint));
    band.hits.insert(band.hits.end(), point, point + 3);
    band.lightValues.resize(band.lightValues.size() + values);
    return true;
}

double* RoomTracer::KeptLightValues()
{
    KeptBand& band = *recording.band;
    const std::size_t values = std::size_t(recording.valuesPerLight) * lightCount;
    return values != 0 ? band.lightValues.data() + band.lightValues.size() - values : nullptr;
}

void RoomTracer::KeepLightValues(const PlanePointBatch& batch, unsigned p, double* toKeep) const
{
    const unsigned perLight = recording.valuesPerLight;
    for (unsigned j = 0; j < lightCount; ++j) {
        if (KeptBand::KeepsDiffuse(perLight))
            toKeep[KeptBand::DiffuseAt(perLight, j)] = batch.Diffuse(j, p);
        toKeep[KeptBand::PowerAt(perLight, j)] = batch.Power(j, p);
    }
}

void RoomTracer::KeepPixel(const Vec3& primaryDir)
{
    recording.band->pixelDirs.push_back(primaryDir);
    recording.band->pixelEnds.push_back(static_cast<std::uint32_t>(recording.band->composed.size()));
}

void RoomTracer::KeepComposed(bool shadowed)
{
    recording.band->composed.push_back(scratch.plotted[scratch.plottedCount - 1]);
    recording.band->shadowed.push_back(shadowed);
}

bool RoomTracer::ComposeRows(KeptBand& band, bool spheresMoved)
{
    for (PlanePointBatch& batch : scratch.planePoints)
        batch.SetSpheres(sphereSet);
    scratch.blockers.SetSpheres(sphereSet);
    PrepareSphereBatch();
    if (spheresMoved && !ComposeKeptPlanes(band))
        return false;

    // The pixels in order: each one's plane points as composed, then its
    // sphere points, traced in full, a batch of them at a time. Composing
    // the plane points first changes nothing a sphere point reads.
    const std::size_t pixels = band.pixelDirs.size();
    scratch.sphereCandidates.resize(pixels);
    const std::size_t candidates =
        SphereCandidates(band.pixelDirs.data(), pixels, inputs.eye, sphereSet, scratch.sphereCandidates.data());
    // Plane points go out in runs, up to the next pixel with sphere points.
    const PlotRecord* composed = band.composed.data();
    std::size_t runStart = 0;
    std::size_t pixelsDone = 0;
    for (std::size_t c = 0; c < candidates;) {
        if (c != 0) {
            // The band's pixels up to the last one shaded, as a share of all it covers.
            const std::size_t through = ((scratch.sphereCandidates[c - 1] >> 8) + 1) * band.pixelsCovered / pixels;
            watch.Traced(static_cast<unsigned>(through - pixelsDone));
            pixelsDone = through;
            if (watch.GivenUp())
                return false;
        }
        scratch.spheres.Clear();
        std::size_t end = c;
        for (; end < candidates; ++end) {
            const unsigned maybeSphere = scratch.sphereCandidates[end] & 0xffu;
            if (scratch.spheres.Count() + __builtin_popcount(maybeSphere) > SphereBatch::Capacity)
                break;
            const Vec3 primaryDir = band.pixelDirs[scratch.sphereCandidates[end] >> 8];
            for (unsigned i = 0; i < sphereCount; ++i) {
                if (maybeSphere >> i & 1u)
                    scratch.spheres.Add(primaryDir, i);
            }
        }
        scratch.spheres.Compute(setUp.Tables());
        ShadeSphereBatch();
        nextSphere = 0;
        for (; c < end; ++c) {
            const std::size_t pixel = scratch.sphereCandidates[c] >> 8;
            const unsigned maybeSphere = scratch.sphereCandidates[c] & 0xffu;
            // A short run goes with the sphere points plotted; a long one
            // straight to the sink, after them.
            const std::size_t runEnd = band.pixelEnds[pixel];
            if (runEnd - runStart < 16 && scratch.plottedCount + 16 + MaxSpheres <= TraceScratch::MaxPlotted) {
                for (std::size_t p = runStart; p < runEnd; ++p)  // a few points: cheaper than a copy call
                    scratch.plotted[scratch.plottedCount++] = composed[p];
            } else {
                FlushPlotted();
                sink.insert(sink.end(), composed + runStart, composed + runEnd);
            }
            runStart = runEnd;
            for (unsigned i = 0; i < sphereCount; ++i) {
                if (maybeSphere >> i & 1u)
                    ShadeSphere(nextSphere++);
            }
        }
    }
    FlushPlotted();
    sink.insert(sink.end(), composed + runStart, composed + band.composed.size());
    watch.Traced(static_cast<unsigned>(band.pixelsCovered - pixelsDone));
    return true;
}

// The plane colours of the band's points that some sphere shadows now or
// shadowed when last composed, worked out again from their kept hit points
// by the room points' own stage (ShadePlanePoints), a batch of points at
// once, with the kept light values where the band has them (with the
// diffuse factors kept, the light directions only of the lights some sphere
// blocks).
// The shadow tests of all points come first, a band at once, to find the
// points to shade again; a point that no sphere shadowed last time nor
// shadows now keeps its colour.
// (A view is composed only after its spheres moved, so there is at least
// one sphere: with none, no light of the traced path is blocked.)
bool RoomTracer::ComposeKeptPlanes(KeptBand& band)
{
    const std::size_t count = band.pointPlane.size();
    const std::size_t chunks = (count + ShadowChunk - 1) / ShadowChunk;
    if (band.shadowBalls.size() != 4 * chunks) {
        band.shadowBalls.resize(4 * chunks);
        ShadowBalls(band.hits.data(), count, band.shadowBalls.data());
    }
    scratch.shadowMasks.resize(count * lightCount);
    ShadowMasks(band.hits.data(), count, band.shadowBalls.data(), setUp.LightPositions(), lightCount, sphereSet,
                scratch.shadowMasks.data());
    scratch.pointsToCompose.resize(count);
    const std::size_t toCompose =
        PointsToCompose(scratch.shadowMasks.data(), lightCount, band.shadowed.data(), count, scratch.pointsToCompose.data());
    PlanePointBatch& batch = scratch.planePoints[0];
    const unsigned perLight = band.valuesPerLight;
    // Without kept values the powers are worked out again, most of them by
    // squaring (the sums redo the few points where that might show).
    PlaneWork how;
    how.work = perLight == 0   ? PlanePointBatch::Work::Shading
               : perLight == 1 ? PlanePointBatch::Work::Diffuse
                               : PlanePointBatch::Work::BlockedLightDirs;
    how.approximatePowers = perLight == 0;
    how.perLight = perLight;
    how.kept = perLight != 0 ? band.lightValues.data() : nullptr;
    how.tintsGiven = true;
    TraceScratch::PlaneSumInputs& in = scratch.sumInputs;
    std::uint8_t planes[TraceScratch::Room];
    const unsigned start = 0;
    std::size_t pixel = 0;
    for (std::size_t first = 0; first < toCompose; first += PlanePointBatch::MaxPoints) {
        if (first != 0 && watch.GivenUp())
            return false;
        const std::size_t end = std::min<std::size_t>(toCompose, first + PlanePointBatch::MaxPoints);
        // The shadow tests are done: the batch takes their results.
        batch.Clear();
        batch.ClearOnLine();
        for (std::size_t i = first; i < end; ++i) {
            const std::size_t p = scratch.pointsToCompose[i];
            while (band.pixelEnds[pixel] <= p)
                ++pixel;
            const double* point = &band.hits[3 * p];
            const int k = band.pointPlane[p];
            const unsigned n = batch.Add(Vec3(point[0], point[1], point[2]), setUp.PlaneNormal(k),
                                         band.pixelDirs[pixel], setUp.PlaneExponent(k));
            for (unsigned j = 0; j < lightCount; ++j) {
                const unsigned onLine = scratch.shadowMasks[j * count + p];
                if (onLine != 0)
                    batch.SetOnLine(j, n, onLine);
            }
            planes[n] = band.pointPlane[p];
            in.tint[0][n] = band.pointTint[p];
            in.keptAt[n] = static_cast<std::int64_t>(std::size_t(perLight) * lightCount * p);
            // The point's kept light values are read only when the batch's
            // blockers are done: asked for from memory now.
            const std::size_t values = std::size_t(perLight) * lightCount;
            for (std::size_t at = 0; at < values; at += 64 / sizeof(double))
                __builtin_prefetch(band.lightValues.data() + values * p + at);
        }
        ShadePlanePoints(0, 1, planes, &start, how);
        const float(&sums)[3][TraceScratch::Room] = in.sums[0];
        for (std::size_t i = first; i < end; ++i) {
            const std::size_t p = scratch.pointsToCompose[i];
            const double* point = &band.hits[3 * p];
            const unsigned n = static_cast<unsigned>(i - first);
            band.shadowed[p] = batch.BlockedPoints() >> n & 1u;
            band.composed[p] = PlotRecord{sums[0][n],
                                          sums[1][n],
                                          sums[2][n],
                                          static_cast<float>(point[0]),
                                          static_cast<float>(point[1]),
                                          static_cast<float>(point[2])};
        }
    }
    return true;
}

}  // namespace glintwork
