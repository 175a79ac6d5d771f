// The room tracer's plane points kept between frames and composed again
// (what each kept value depends on is set out in KeptView.h).

#include <algorithm>
#include <cmath>

#include "trace/kernels/ComposeBatch.h"
#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/LightTerms.h"
#include "trace/tracers/RoomTracer.h"

void RoomTracer::StartKeeping(KeptBand* band, KeepMode mode, std::size_t maxValues, bool factors)
{
    keeping = KeepingState{band, band ? mode : KeepMode::Off, maxValues, factors};
    if (keeping.mode == KeepMode::Record) {
        band->pixelDirs.clear();
        band->pixelEnds.clear();
        band->pointPlane.clear();
        band->hits.clear();
        band->factors.clear();
        band->shadowBalls.clear();
        band->composed.clear();
        band->shadowed.clear();
        band->complete = false;
        // About one plane point a pixel: room for a band of eight rows at once.
        const std::size_t lights = factors ? lightCount : 0;
        const std::size_t points =
            std::min<std::size_t>(std::size_t(8) * columns, maxValues / KeptView::PointValues(lights));
        band->pixelDirs.reserve(std::size_t(8) * columns);
        band->pixelEnds.reserve(std::size_t(8) * columns);
        band->pointPlane.reserve(points);
        band->hits.reserve(3 * points);
        band->factors.reserve(2 * lights * points);
        band->composed.reserve(points);
        band->shadowed.reserve(points);
    }
}

bool RoomTracer::RecordPlanePoint(int k, const Vec3& hitPoint)
{
    KeptBand& band = *keeping.band;
    const std::size_t factors = keeping.factors ? 2 * std::size_t(lightCount) : 0;
    if (band.hits.size() + band.factors.size() + 3 + factors > keeping.maxValues) {
        keeping.mode = KeepMode::Off;  // over the budget: the band stays incomplete
        return false;
    }
    band.pointPlane.push_back(static_cast<std::uint8_t>(k));
    band.hits.push_back(hitPoint.x);
    band.hits.push_back(hitPoint.y);
    band.hits.push_back(hitPoint.z);
    band.factors.resize(band.factors.size() + factors);
    return true;
}

double* RoomTracer::KeptFactors()
{
    KeptBand& band = *keeping.band;
    return keeping.factors ? band.factors.data() + band.factors.size() - 2 * std::size_t(lightCount) : nullptr;
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

// The plane colour of ShadeBatchedPlanePoint from the blocker search on,
// for every plane point of the band, from its kept hit point, plane and
// pixel. The shadow tests of all points come first, a band at once; the
// first blocking sphere in index order casts the shadow. A point that no
// sphere shadowed last time nor shadows now keeps its colour; the others
// are shaded again, their light directions and terms worked out by the
// formulas the trace uses (UnitLightDir, LightTerms, LightTerm), from the
// kept light factors where the band has them.
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
    blockers.SetSpheres(spheres);
    std::size_t pixel = 0;
    for (std::size_t first = 0; first < toCompose;) {
        // The blocked lights of a run of points, a batch at once.
        blockers.Clear();
        std::size_t end = first;
        for (; end < toCompose && blockers.Room() >= lightCount; ++end) {
            const std::size_t p = pointsToCompose[end];
            const double* point = &band.hits[3 * p];
            for (unsigned j = 0; j < lightCount; ++j) {
                const unsigned onLine = shadowMasks[j * count + p];
                if (onLine == 0)
                    continue;
                const float* position = &lightPositions[3 * std::size_t(j)];
                const double light[3] = {position[0], position[1], position[2]};
                double dir[3];
                UnitLightDir<OneLane>(light, point, dir);
                blockers.Add(point, dir, static_cast<unsigned>(__builtin_ctz(onLine)));
            }
        }
        blockers.Compute();
        unsigned blocked = 0;  // the next entry of `blockers`
        for (; first < end; ++first) {
            const std::size_t p = pointsToCompose[first];
            while (band.pixelEnds[pixel] <= p)
                ++pixel;
            unsigned anyBlocked = 0;
            for (unsigned j = 0; j < lightCount; ++j)
                anyBlocked |= shadowMasks[j * count + p];
            band.shadowed[p] = anyBlocked != 0;
            const double* point = &band.hits[3 * p];
            const int k = band.pointPlane[p];
            const unsigned ones = PlanePattern(Vec3(point[0], point[1], point[2]), k);
            const double exponent = planeExponents[k];
            const double view[3] = {band.pixelDirs[pixel].x, band.pixelDirs[pixel].y, band.pixelDirs[pixel].z};
            const double axis[3] = {planeNormals[k].x, planeNormals[k].y, planeNormals[k].z};
            const double* factors = band.factors.empty() ? nullptr : &band.factors[2 * std::size_t(lightCount) * p];
            float sum[3] = {0.0f, 0.0f, 0.0f};
            for (unsigned j = 0; j < lightCount; ++j) {
                double unshadowed[3];
                float shadow[3];
                const bool isBlocked = shadowMasks[j * count + p] != 0;
                if (isBlocked) {
                    BlockerColour(blockers, blocked++, shadow);
                } else {
                    double diffuse, power;
                    if (factors) {
                        diffuse = factors[2 * j];
                        power = factors[2 * j + 1];
                    } else {
                        const float* position = &lightPositions[3 * std::size_t(j)];
                        const double light[3] = {position[0], position[1], position[2]};
                        double dir[3], half[3], specularBase;
                        LightTerms<OneLane>(light, point, view, axis, dir, half, diffuse, specularBase);
                        power = SpecularPower(specularBase, exponent);
                    }
                    UnshadowedPlaneTerms(j, k, ones, diffuse, power, unshadowed);
                }
                AddPlaneLight(j, k, isBlocked ? shadow : nullptr, unshadowed, sum);
            }
            band.composed[p] = PlotRecord{sum[0],
                                          sum[1],
                                          sum[2],
                                          static_cast<float>(point[0]),
                                          static_cast<float>(point[1]),
                                          static_cast<float>(point[2])};
        }
    }
}
