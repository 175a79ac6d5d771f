// The room tracer's plane points kept between frames and composed again
// (what each kept value depends on is set out in KeptView.h).

#include <algorithm>

#include "trace/LightTerms.h"
#include "trace/RoomTracer.h"

void RoomTracer::StartKeeping(KeptBand* band, KeepMode mode, std::size_t maxValues)
{
    keeping = KeepingState{band, band ? mode : KeepMode::Off, maxValues, 0, 0};
    if (keeping.mode == KeepMode::Record) {
        band->pixelDirs.clear();
        band->pixelPlanes.clear();
        band->pointPlane.clear();
        band->values.clear();
        band->composed.clear();
        band->complete = false;
        // About one plane point a pixel: room for a band of eight rows at once.
        const std::size_t stride = 3 + 6 * static_cast<std::size_t>(lightCount);
        const std::size_t points = std::min<std::size_t>(std::size_t(8) * columns, maxValues / stride);
        band->pixelDirs.reserve(std::size_t(8) * columns);
        band->pixelPlanes.reserve(std::size_t(8) * columns);
        band->pointPlane.reserve(points);
        band->values.reserve(points * stride);
        band->composed.reserve(points);
    }
}

double* RoomTracer::RecordPlanePoint(int k)
{
    KeptBand& band = *keeping.band;
    const std::size_t stride = 3 + 6 * static_cast<std::size_t>(lightCount);
    if (band.values.size() + stride > keeping.maxValues) {
        keeping.mode = KeepMode::Off;  // over the budget: the band stays incomplete
        return nullptr;
    }
    band.pointPlane.push_back(static_cast<std::uint8_t>(k));
    band.values.resize(band.values.size() + stride);
    double* v = &band.values[band.values.size() - stride];
    v[0] = hitPoint.x;
    v[1] = hitPoint.y;
    v[2] = hitPoint.z;
    return v;
}

void RoomTracer::ComposeKeptRows(PointList& out)
{
    plotted.band = &out;
    // What ShadeSphere's first test computes from the eye and a sphere alone.
    double eyeSphereC[MaxSpheres];
    Vec3 eyeToCentre[MaxSpheres];
    for (unsigned i = 0; i < sphereCount; ++i) {
        eyeToCentre[i] = eye - SphereCentre(i);
        const float radiusSquared = sphereRadii[i] * sphereRadii[i];
        eyeSphereC[i] = Dot(eyeToCentre[i], eyeToCentre[i]) - radiusSquared;
    }
    const KeptBand& band = *keeping.band;
    for (const Vec3& direction : band.pixelDirs) {
        primaryDir = direction;
        rayDir = primaryDir;
        ComposeKeptPlanes();
        rayDir = primaryDir;
        const Vec3 doubled = Scaled(primaryDir, 2.0);
        for (unsigned i = 0; i < sphereCount; ++i) {
            // ShadeSphere's own test for a miss (after which it leaves
            // everything as it was), made here to save the call.
            const double b = Dot(doubled, eyeToCentre[i]);
            if (b * b - 4.0 * eyeSphereC[i] < 0.0)
                continue;
            ShadeSphere(SphereCentre(i), i);
        }
    }
    plotted.band = nullptr;
}

// The rest of the plane colour of TracePlane, from the blocker search on,
// with the hit point, light directions and unshadowed terms as kept. The
// shadow test of SphereOnLine is split: what depends on the point and the
// sphere alone is worked out once for all lights.
void RoomTracer::ComposeKeptPlanes()
{
    KeptBand& band = *keeping.band;
    const unsigned count = band.pixelPlanes[keeping.pixel++];
    if (keeping.mode == KeepMode::Reuse) {
        for (unsigned i = 0; i < count; ++i)
            Sink().push_back(band.composed[keeping.point++]);
        return;
    }
    const std::size_t stride = 3 + 6 * static_cast<std::size_t>(lightCount);
    for (unsigned i = 0; i < count; ++i, ++keeping.point) {
        const double* v = &band.values[keeping.point * stride];
        hitPoint = Vec3(v[0], v[1], v[2]);
        double fromCentre[3 * MaxSpheres];  // plain doubles: nothing to initialise
        double c[MaxSpheres];
        PointSphereTerms(hitPoint, fromCentre, c);
        const float* material = &planeMaterials[9 * static_cast<std::size_t>(band.pointPlane[keeping.point])];
        for (unsigned j = 0; j < lightCount; ++j) {
            const double* kept = v + 3 + 6 * static_cast<std::size_t>(j);
            lightDir = Vec3(kept[0], kept[1], kept[2]);
            const Vec3 doubled = Scaled(lightDir, 2.0);
            for (unsigned m = 0; m < sphereCount; ++m) {
                const double b = Dot(doubled, Vec3(fromCentre[3 * m], fromCentre[3 * m + 1], fromCentre[3 * m + 2]));
                if (!(b * b - 4.0 * c[m] < 0.0)) {
                    lightBlocked = true;
                    BlockerColour(hitPoint, lightDir, m, m, planeShadowColour);
                    break;
                }
                lightBlocked = false;
            }
            const float* light = &lightColours[9 * static_cast<std::size_t>(j)];
            for (int ch = 0; ch < 3; ++ch) {
                const double term =
                    lightBlocked ? ShadowedTerm(light, material, ch, planeShadowColour[ch]) : kept[3 + ch];
                colour[ch] = static_cast<float>(term + colour[ch]);
            }
        }
        PlotPoint(colour[0], colour[1], colour[2]);
        colour[0] = colour[1] = colour[2] = 0.0f;
        band.composed[keeping.point] = Sink().back();
    }
}
