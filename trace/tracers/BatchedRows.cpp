// The fast tracer's walk over a band's rows: the primary rays of a batch of
// neighbouring pixels at once, their plane points' light terms and shadow
// tests a group of pixels at once, then each pixel shaded in order.

#include <algorithm>

#include "trace/tracers/RoomTracer.h"

namespace glintwork {

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
    FaceBounds(k.low, k.high);
    k.depthLimit = depthLimit;
    sphereSet = Spheres();
    k.sphereCount = sphereCount;
    for (unsigned m = 0; m < sphereCount; ++m)
        SphereTerms<OneLane>(k.eye, sphereSet.centre[m], sphereSet.radiusSquared[m], k.eyeToCentre[m], k.eyeSphereC[m]);
    for (PlanePointBatch& batch : planePointBatches)
        batch.SetSpheres(sphereSet);
    blockers.SetSpheres(sphereSet);
    PrepareSphereBatch();
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

unsigned RoomTracer::ShadeBatchedPixel(unsigned lane, unsigned next)
{
    const PrimaryBatch& batch = primaryBatch;
    const unsigned group = groupOfLane[lane];
    const PlanePointBatch& points = planePointBatches[group];
    for (const unsigned end = batchedPoints; next < end && batchedLane[next] == lane; ++next) {
        const int k = batchedPlane[next];
        const double* hit[3] = {batch.hit[k][0], batch.hit[k][1], batch.hit[k][2]};
        ShadeBatchedPlanePoint(points, group, k, next - groupStart[group], hit, lane);
    }
    if (keeping.mode == KeepMode::Record)
        KeepPixel(batch.Dir(lane));
    const unsigned bit = 1u << lane;
    if (lanesWithSpheres & bit) {
        for (unsigned i = 0; i < sphereCount; ++i) {
            if (batch.maybeSphere[i] & bit)
                ShadeSphere(nextSphere++);
        }
    }
    return next;
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
    // Every plane point of these pixels, in the order they are shaded, in
    // groups of as many neighbouring pixels as a batch of points holds (at
    // least ShadeGroup; most often all of them).
    unsigned all = 0;
    for (int k = 0; k < RoomPlanes; ++k)
        all += static_cast<unsigned>(__builtin_popcount(primaryBatch.accepted[k]));
    const auto planesOf = [&](unsigned lane) {
        unsigned planes = 0;
        for (int k = 0; k < RoomPlanes; ++k)
            planes += primaryBatch.accepted[k] >> lane & 1u;
        return planes;
    };
    batchedPoints = 0;
    unsigned groups = 0;
    for (unsigned lane = 0; lane < count; ++lane) {
        if (groups == 0 || (all > PlanePointBatch::MaxPoints &&
                            planePointBatches[groups - 1].Points() + planesOf(lane) > PlanePointBatch::MaxPoints)) {
            planePointBatches[groups].Clear();
            groupStart[groups++] = batchedPoints;
        }
        groupOfLane[lane] = static_cast<std::uint8_t>(groups - 1);
        PlanePointBatch& batch = planePointBatches[groups - 1];
        const Vec3 view = primaryBatch.Dir(lane);
        for (int k = 0; k < RoomPlanes; ++k) {
            if (!(primaryBatch.accepted[k] >> lane & 1u))
                continue;
            batchedLane[batchedPoints] = static_cast<std::uint8_t>(lane);
            batchedPlane[batchedPoints++] = static_cast<std::uint8_t>(k);
            batch.Add(Vec3(primaryBatch.hit[k][0][lane], primaryBatch.hit[k][1][lane], primaryBatch.hit[k][2][lane]),
                      planeNormals[k], view, planeExponents[k]);
        }
    }
    // The powers of every light where the band keeps them, else of the
    // lights no sphere blocks.
    const bool allPowers = keeping.mode == KeepMode::Record && keeping.valuesPerLight != 0;
    // Where the powers are not kept, squaring approximates most of them
    // (the sums redo the few points where that might show).
    for (unsigned g = 0; g < groups; ++g)
        planePointBatches[g].Compute(PlanePointBatch::Work::Everything, !allPowers);
    if (allPowers) {
        for (unsigned g = 0; g < groups; ++g)
            planePointBatches[g].ComputePowers(true);
    }
    // The blocked lights of these points, in the order they are shaded, as
    // many as one batch holds (the rest, if any, one at a time).
    blockers.Clear();
    nextBlocker = 0;
    for (unsigned g = 0; g < groups; ++g)
        QueueBlockers(planePointBatches[g], g);
    if (blockers.Count() != 0)
        blockers.Compute(sphereExponents.data());
    for (unsigned g = 0; g < groups; ++g)
        SumPlanePoints(planePointBatches[g], &batchedPlane[groupStart[g]], 0, nullptr, g);
    // The spheres the first test did not rule out, pixel by pixel, all at once.
    static_assert(SphereBatch::Capacity >= PrimaryBatch::Lanes * MaxSpheres, "room for every sphere of every pixel");
    sphereBatch.Clear();
    nextSphere = 0;
    lanesWithSpheres = 0;
    for (unsigned i = 0; i < sphereCount; ++i)
        lanesWithSpheres |= primaryBatch.maybeSphere[i];
    for (unsigned lanes = lanesWithSpheres & ((1u << count) - 1u); lanes != 0; lanes &= lanes - 1) {
        const unsigned lane = static_cast<unsigned>(__builtin_ctz(lanes));
        for (unsigned i = 0; i < sphereCount; ++i) {
            if (primaryBatch.maybeSphere[i] >> lane & 1u)
                sphereBatch.Add(primaryBatch.Dir(lane), i);
        }
    }
    if (sphereBatch.Count() != 0)
        sphereBatch.Compute();
    for (unsigned lane = 0, next = 0; lane < count; ++lane)
        next = ShadeBatchedPixel(lane, next);
}

}  // namespace glintwork
