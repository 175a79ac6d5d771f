// The fast tracer's walk over a band's rows: the primary rays of a batch of
// neighbouring pixels at once, their plane points' light terms and shadow
// tests a group of pixels at once, their sphere points a batch at once, then
// each pixel shaded in order.

#include <algorithm>
#include <memory>

#include "trace/tracers/RoomTracer.h"

namespace glintwork {

RoomTracer::RoomTracer(const RoomSetUp& setUp, const ViewInputs& inputs, TraceScratch& scratch, PointList& sink,
                       const BandWatch& watch)
    : setUp(setUp),
      inputs(inputs),
      scratch(scratch),
      sink(sink),
      watch(watch),
      lightCount(setUp.LightCount()),
      sphereCount(setUp.SphereCount()),
      sphereSet(setUp.Spheres(inputs))
{
    scratch.Fit(setUp);
    // A band given up part-way may have left points it had not handed on.
    scratch.plottedCount = 0;
}

void RoomTracer::PrepareBatch()
{
    PrimaryBatch::Constants& k = scratch.constants;
    const Vec3& eye = inputs.eye;
    const double e[3] = {eye.x, eye.y, eye.z};
    for (int a = 0; a < 3; ++a) {
        k.eye[a] = e[a];
        k.c[a] = setUp.PixelC()[a];
        k.columnA[a] = setUp.ColumnA(a);
        k.low[a] = setUp.FaceLow()[a];
        k.high[a] = setUp.FaceHigh()[a];
    }
    for (int p = 0; p < RoomSetUp::RoomPlanes; ++p) {
        const Vec3& normal = setUp.PlaneNormal(p);
        k.normal[p][0] = normal.x;
        k.normal[p][1] = normal.y;
        k.normal[p][2] = normal.z;
        k.numerator[p] = Dot(setUp.PlanePoint(p) - eye, normal);
    }
    k.depthLimit = setUp.DepthLimit();
    k.sphereCount = sphereCount;
    for (unsigned m = 0; m < sphereCount; ++m)
        SphereTerms<OneLane>(k.eye, sphereSet.centre[m], sphereSet.radiusSquared[m], k.eyeToCentre[m],
                             k.eyeSphereC[m]);
    for (PlanePointBatch& batch : scratch.planePoints)
        batch.SetSpheres(sphereSet);
    scratch.blockers.SetSpheres(sphereSet);
    PrepareSphereBatch();
}

bool RoomTracer::TraceRows(unsigned rowBegin, unsigned rowEnd, const BandRecording& keep)
{
    StartRecording(keep, std::size_t(rowEnd - rowBegin) * setUp.Columns());
    PrepareBatch();
    if (inputs.kind == ViewInputs::Kind::Environment)
        return TraceBentRows(rowBegin, rowEnd) && recordingOn;
    for (unsigned row = rowBegin; row < rowEnd; ++row) {
        Vec3 a, b, c;
        setUp.SetUpPixel(row, 0, a, b, c);
        scratch.constants.rowB[0] = b.x;
        scratch.constants.rowB[1] = b.y;
        scratch.constants.rowB[2] = b.z;
        for (unsigned first = 0; first < setUp.Columns(); first += PrimaryBatch::Lanes) {
            const unsigned count = std::min(PrimaryBatch::Lanes, setUp.Columns() - first);
            scratch.primary.Trace(scratch.constants, first, count);
            ShadeBatch(count);
            watch.Traced(count);
            if (watch.GivenUp())
                return false;
        }
    }
    return recordingOn;
}

bool RoomTracer::TraceBentRows(unsigned rowBegin, unsigned rowEnd)
{
    // The environment sphere: radius 7 (49 squared), centre (0, 0, -17).
    const Vec3 envSphere(0.0, 0.0, -17.0);
    const double centre[3] = {envSphere.x, envSphere.y, envSphere.z};
    const double radiusSquared = 49.0;
    const Vec3& eye = inputs.eye;
    unsigned gathered = 0;
    for (unsigned row = rowBegin; row < rowEnd; ++row) {
        for (unsigned column = 0; column < setUp.Columns(); ++column) {
            Vec3 a, b, c;
            setUp.SetUpPixel(row, column, a, b, c);
            Vec3 envDir = ((a + b) + c) - eye;
            envDir.Normalize();
            const Vec3 envDirUnit = envDir;

            // The sphere line test and root of the fast path's spheres.
            const double e[3] = {eye.x, eye.y, eye.z};
            const double doubled[3] = {2.0 * envDir.x, 2.0 * envDir.y, 2.0 * envDir.z};
            double eyeFromSphere[3], sphereC, root;
            SphereTerms<OneLane>(e, centre, radiusSquared, eyeFromSphere, sphereC);
            const double disc = Discriminant<OneLane>(doubled, eyeFromSphere, sphereC, root);
            if (disc < 0.0)
                continue;  // the line misses the sphere: the pixel keeps the clear colour

            const double t = NearRoot<OneLane>(root, disc);
            envDir.ScaleFrom(envDir, t);
            const Vec3 envHitPoint = eye + envDir;

            // The normal keeps its length of 7: the bend is d - 2 (d . N) N.
            const Vec3 envNormal = envHitPoint - envSphere;
            double bent[3] = {envDirUnit.x, envDirUnit.y, envDirUnit.z};
            const double normal[3] = {envNormal.x, envNormal.y, envNormal.z};
            Mirror<OneLane>(bent, normal);

            // The bent rays of the pixels that draw are gathered and traced a
            // batch at a time, each shaded in pixel order.
            scratch.primary.SetDir(gathered, bent);
            if (++gathered == PrimaryBatch::Lanes) {
                scratch.primary.TraceGiven(scratch.constants, gathered);
                ShadeBatch(gathered);
                gathered = 0;
                if (watch.GivenUp())
                    return false;
            }
        }
        watch.Traced(setUp.Columns());
        if (watch.GivenUp())
            return false;
    }
    if (gathered != 0) {
        scratch.primary.TraceGiven(scratch.constants, gathered);
        ShadeBatch(gathered);
    }
    return true;
}

unsigned RoomTracer::ShadeBatchedPixel(unsigned lane, unsigned next)
{
    const PrimaryBatch& batch = scratch.primary;
    const unsigned group = scratch.groupOfLane[lane];
    for (const unsigned end = scratch.batchedPoints; next < end && scratch.batchedLane[next] == lane; ++next)
        PlotPlanePoint(group, scratch.batchedPlane[next], next - scratch.groupStart[group], lane);
    if (recordingOn)
        KeepPixel(batch.Dir(lane));
    const unsigned bit = 1u << lane;
    if (lanesWithSpheres & bit) {
        for (unsigned i = 0; i < sphereCount; ++i) {
            if (batch.MaybeSphere(i) & bit)
                ShadeSphere(nextSphere++);
        }
    }
    return next;
}

void RoomTracer::ShadeBatch(unsigned count)
{
    const PrimaryBatch& primary = scratch.primary;
    // Every plane point of these pixels, in the order they are shaded, in
    // groups of as many neighbouring pixels as a batch of points holds (at
    // least ShadeGroup; most often all of them).
    unsigned all = 0;
    for (int k = 0; k < RoomSetUp::RoomPlanes; ++k)
        all += static_cast<unsigned>(__builtin_popcount(primary.Accepted(k)));
    const auto planesOf = [&](unsigned lane) {
        unsigned planes = 0;
        for (int k = 0; k < RoomSetUp::RoomPlanes; ++k)
            planes += primary.Accepted(k) >> lane & 1u;
        return planes;
    };
    scratch.batchedPoints = 0;
    unsigned groups = 0;
    for (unsigned lane = 0; lane < count; ++lane) {
        if (groups == 0 || (all > PlanePointBatch::MaxPoints &&
                            scratch.planePoints[groups - 1].Points() + planesOf(lane) > PlanePointBatch::MaxPoints)) {
            scratch.planePoints[groups].Clear();
            scratch.groupStart[groups++] = scratch.batchedPoints;
        }
        scratch.groupOfLane[lane] = static_cast<std::uint8_t>(groups - 1);
        PlanePointBatch& batch = scratch.planePoints[groups - 1];
        const Vec3 view = primary.Dir(lane);
        for (int k = 0; k < RoomSetUp::RoomPlanes; ++k) {
            if (!(primary.Accepted(k) >> lane & 1u))
                continue;
            scratch.batchedLane[scratch.batchedPoints] = static_cast<std::uint8_t>(lane);
            scratch.batchedPlane[scratch.batchedPoints++] = static_cast<std::uint8_t>(k);
            batch.Add(primary.Hit(k, lane), setUp.PlaneNormal(k), view, setUp.PlaneExponent(k));
        }
    }
    // The powers of every light where the band keeps them; else, of the
    // lights no sphere blocks, squaring approximates most of them (the sums
    // redo the few points where that might show).
    PlaneWork how;
    how.allPowers = recordingOn && recording.valuesPerLight != 0;
    how.approximatePowers = !how.allPowers;
    ShadePlanePoints(0, groups, scratch.batchedPlane, scratch.groupStart, how);

    // The spheres the first test did not rule out, pixel by pixel, all at once.
    static_assert(SphereBatch::Capacity >= PrimaryBatch::Lanes * MaxSpheres, "room for every sphere of every pixel");
    scratch.spheres.Clear();
    nextSphere = 0;
    lanesWithSpheres = 0;
    for (unsigned i = 0; i < sphereCount; ++i)
        lanesWithSpheres |= primary.MaybeSphere(i);
    for (unsigned lanes = lanesWithSpheres & ((1u << count) - 1u); lanes != 0; lanes &= lanes - 1) {
        const unsigned lane = static_cast<unsigned>(__builtin_ctz(lanes));
        for (unsigned i = 0; i < sphereCount; ++i) {
            if (primary.MaybeSphere(i) >> lane & 1u)
                scratch.spheres.Add(primary.Dir(lane), i);
        }
    }
    if (scratch.spheres.Count() != 0) {
        scratch.spheres.Compute(setUp.Tables());
        ShadeSphereBatch();
    }
    for (unsigned lane = 0, next = 0; lane < count; ++lane)
        next = ShadeBatchedPixel(lane, next);
    FlushPlotted();
}

PointList TraceView(const RoomSetUp& setUp, const ViewInputs& inputs)
{
    PointList points;
    const auto scratch = std::make_unique<TraceScratch>();
    RoomTracer(setUp, inputs, *scratch, points).TraceRows(0, setUp.Rows());
    return points;
}

}  // namespace glintwork
