// The room tracer's plane points kept between frames and composed again
// (what each kept value depends on is set out in KeptView.h).

#include <algorithm>

#include "trace/kernels/ComposeBatch.h"
#include "trace/kernels/LightTerms.h"
#include "trace/tracers/RoomTracer.h"

void RoomTracer::StartKeeping(KeptBand* band, KeepMode mode, std::size_t maxValues)
{
    keeping = KeepingState{band, band ? mode : KeepMode::Off, maxValues};
    if (keeping.mode == KeepMode::Record) {
        band->pixelDirs.clear();
        band->pixelEnds.clear();
        band->pointPlane.clear();
        band->geometry.clear();
        band->shadowBalls.clear();
        band->terms.clear();
        band->composed.clear();
        band->shadowed.clear();
        band->complete = false;
        // About one plane point a pixel: room for a band of eight rows at once.
        const std::size_t perPoint = 3 + 6 * static_cast<std::size_t>(lightCount);
        const std::size_t points = std::min<std::size_t>(std::size_t(8) * columns, maxValues / perPoint);
        band->pixelDirs.reserve(std::size_t(8) * columns);
        band->pixelEnds.reserve(std::size_t(8) * columns);
        band->pointPlane.reserve(points);
        band->geometry.reserve(points * (3 + 3 * std::size_t(lightCount)));
        band->terms.reserve(points * 3 * std::size_t(lightCount));
        band->composed.reserve(points);
        band->shadowed.reserve(points);
    }
}

RoomTracer::KeptPoint RoomTracer::RecordPlanePoint(int k, const Vec3& hitPoint)
{
    KeptBand& band = *keeping.band;
    const std::size_t geometry = 3 + 3 * static_cast<std::size_t>(lightCount);
    const std::size_t terms = 3 * static_cast<std::size_t>(lightCount);
    if (band.geometry.size() + band.terms.size() + geometry + terms > keeping.maxValues) {
        keeping.mode = KeepMode::Off;  // over the budget: the band stays incomplete
        return KeptPoint{};
    }
    band.pointPlane.push_back(static_cast<std::uint8_t>(k));
    band.geometry.resize(band.geometry.size() + geometry);
    band.terms.resize(band.terms.size() + terms);
    const KeptPoint kept{&band.geometry[band.geometry.size() - geometry], &band.terms[band.terms.size() - terms]};
    kept.geometry[0] = hitPoint.x;
    kept.geometry[1] = hitPoint.y;
    kept.geometry[2] = hitPoint.z;
    return kept;
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
    // sphere points, traced in full. Composing the plane points first
    // changes nothing a sphere point reads.
    const std::size_t pixels = band.pixelDirs.size();
    sphereCandidates.resize(pixels);
    const std::size_t candidates =
        SphereCandidates(band.pixelDirs.data(), pixels, eye, spheres, sphereCandidates.data());
    plotted.band = &out;
    // Plane points go out in runs, up to the next pixel with sphere points.
    const PlotRecord* composed = band.composed.data();
    std::size_t runStart = 0;
    for (std::size_t c = 0; c < candidates; ++c) {
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
        const Vec3 primaryDir = band.pixelDirs[pixel];
        for (unsigned i = 0; i < sphereCount; ++i) {
            if (maybeSphere >> i & 1u)
                ShadeSphere(primaryDir, i);
        }
    }
    out.insert(out.end(), composed + runStart, composed + band.composed.size());
    plotted.band = nullptr;
}

// The rest of the plane colour of ShadeBatchedPlanePoint, from the blocker search on,
// for every plane point of the band, with the hit point, light directions
// and unshadowed terms as kept. The shadow tests of all points come first,
// a band at once; the first blocking sphere in index order casts the shadow.
// A point that no sphere shadowed last time nor shadows now keeps its colour.
// (A view is composed only after its spheres moved, so there is at least
// one sphere: with none, the blocked flag of the traced path would keep its
// last value.)
void RoomTracer::ComposeKeptPlanes(const SphereSet& spheres)
{
    KeptBand& band = *keeping.band;
    const std::size_t count = band.pointPlane.size();
    const std::size_t stride = 3 + 3 * static_cast<std::size_t>(lightCount);
    const std::size_t chunks = (count + ShadowChunk - 1) / ShadowChunk;
    if (band.shadowBalls.size() != 4 * chunks) {
        band.shadowBalls.resize(4 * chunks);
        ShadowBalls(band.geometry.data(), stride, count, band.shadowBalls.data());
    }
    shadowMasks.resize(count * lightCount);
    ShadowMasks(band.geometry.data(), stride, count, band.shadowBalls.data(), lightPositions.data(), lightCount,
                spheres, shadowMasks.data());
    pointsToCompose.resize(count);
    const std::size_t toCompose =
        PointsToCompose(shadowMasks.data(), lightCount, band.shadowed.data(), count, pointsToCompose.data());
    for (std::size_t n = 0; n < toCompose; ++n) {
        const std::size_t p = pointsToCompose[n];
        unsigned anyBlocked = 0;
        for (unsigned j = 0; j < lightCount; ++j)
            anyBlocked |= shadowMasks[j * count + p];
        band.shadowed[p] = anyBlocked != 0;
        const double* g = &band.geometry[p * stride];
        const double* terms = &band.terms[p * 3 * std::size_t(lightCount)];
        const Vec3 hitPoint(g[0], g[1], g[2]);
        const float* material = &planeMaterials[9 * static_cast<std::size_t>(band.pointPlane[p])];
        float colour[3] = {0.0f, 0.0f, 0.0f};
        for (unsigned j = 0; j < lightCount; ++j) {
            const unsigned onLine = shadowMasks[j * count + p];
            const bool lightBlocked = onLine != 0;
            float planeShadowColour[3];
            if (lightBlocked) {
                const double* d = g + 3 + 3 * std::size_t(j);
                const Vec3 lightDir(d[0], d[1], d[2]);
                const unsigned m = static_cast<unsigned>(__builtin_ctz(onLine));
                BlockerColour(hitPoint, lightDir, m, m, planeShadowColour);
            }
            const float* light = &lightColours[9 * static_cast<std::size_t>(j)];
            for (int ch = 0; ch < 3; ++ch) {
                const double term =
                    lightBlocked ? ShadowedTerm(light, material, ch, planeShadowColour[ch]) : terms[3 * j + ch];
                colour[ch] = static_cast<float>(term + colour[ch]);
            }
        }
        band.composed[p] = PlotRecord{colour[0],
                                      colour[1],
                                      colour[2],
                                      static_cast<float>(hitPoint.x),
                                      static_cast<float>(hitPoint.y),
                                      static_cast<float>(hitPoint.z)};
    }
}
