// The colours of the fast path's room points: the planes' patterns and the
// one stage that every room point's colour goes through (a primary hit's,
// one composed again from kept values, or one a sphere reflects): its light
// terms, its shadow tests, the colours of the spheres that block its
// lights, and its light sum.

#include <cstdint>

#include "trace/kernels/PlaneLightSums.h"
#include "trace/tracers/RoomTracer.h"

namespace glintwork {

namespace {

// Truncation toward zero to a 32-bit signed integer. Values outside that range
// (and NaN) give the "integer indefinite" value INT32_MIN, as the hardware
// conversion does, instead of undefined behaviour.
std::int32_t TruncateToInt32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

// The pattern's tints, a bit per channel of 1 (red, green, blue).
constexpr unsigned Red = 1u, Yellow = 3u, White = 7u, Cyan = 6u, Green = 2u;

}  // namespace

unsigned RoomTracer::PlanePattern(const double point[3], int k)
{
    if (k <= 2) {
        // Walls: red bands between -10 and -5 and between 0 and 5, yellow elsewhere.
        const double y = point[1];
        if ((-10.0 < y && y < -5.0) || (0.0 < y && y < 5.0))
            return Red;
        return Yellow;
    }
    const std::int32_t x = TruncateToInt32(point[0]);
    const std::int32_t z = TruncateToInt32(point[2]);
    if (k == 3) {
        // Floor: a checkerboard of white and red on a grid of four units.
        const bool a = x % 4 == 0;
        const bool b = z % 4 == 0;
        if (a == b)
            return White;
        return Red;
    }
    // Ceiling: four colours on a grid of three units.
    const bool a = x % 3 == 0;
    const bool b = z % 3 == 0;
    if (a && b)
        return Cyan;
    if (a)
        return Red;
    if (b)
        return Yellow;
    return Green;
}

void RoomTracer::ShadePlanePoints(unsigned first, unsigned groups, const std::uint8_t* planes, const unsigned* starts,
                                  const PlaneWork& how)
{
    const unsigned end = first + groups;
    for (unsigned g = first; g < end; ++g)
        scratch.planePoints[g].Compute(setUp.Tables(), how.work, how.approximatePowers);
    if (how.allPowers) {
        for (unsigned g = first; g < end; ++g)
            scratch.planePoints[g].ComputePowers(true);
    }
    // The blocked lights of these points, as many at once as the blocker
    // batch holds.
    for (unsigned g = first; g < end; ++g)
        QueueBlockers(g);
    FlushBlockers();
    for (unsigned g = first; g < end; ++g)
        SumPlanePoints(g, planes + starts[g - first], how);
}

void RoomTracer::QueueBlockers(unsigned g)
{
    if (sphereCount == 0)
        return;
    const PlanePointBatch& batch = scratch.planePoints[g];
    constexpr std::size_t Room = TraceScratch::Room;
    float* shadow = scratch.sumInputs.shadow[g].data();
    // Only the points some light of which is blocked, in order.
    for (unsigned points = batch.BlockedPoints(); points != 0; points &= points - 1) {
        const unsigned p = static_cast<unsigned>(__builtin_ctz(points));
        double point[3];
        batch.Point(p, point);
        for (unsigned j = 0; j < lightCount; ++j) {
            const int blocker = batch.Blocker(j, p);
            if (blocker >= 0)
                QueueBlocker(point, batch.LightDir(j, p), static_cast<unsigned>(blocker),
                             static_cast<unsigned>(blocker), shadow + j * Room + p, lightCount * Room);
        }
    }
}

void RoomTracer::QueueBlocker(const double point[3], const Vec3& dir, unsigned m, unsigned e, float* red,
                              std::size_t stride)
{
    if (scratch.blockers.Room() == 0)
        FlushBlockers();
    const double direction[3] = {dir.x, dir.y, dir.z};
    const unsigned n = scratch.blockers.Add(point, direction, m, e);
    scratch.blockerColours[n] = red;
    scratch.blockerStrides[n] = stride;
}

void RoomTracer::FlushBlockers()
{
    BlockerBatch& blockers = scratch.blockers;
    if (blockers.Count() == 0)
        return;
    blockers.Compute(setUp.Tables(), setUp.SphereExponents());
    for (unsigned n = 0; n < blockers.Count(); ++n) {
        for (int c = 0; c < 3; ++c)
            scratch.blockerColours[n][c * scratch.blockerStrides[n]] = blockers.Colour(n, c);
    }
    blockers.Clear();
}

void RoomTracer::SumPlanePoints(unsigned g, const std::uint8_t* planes, const PlaneWork& how)
{
    PlanePointBatch& batch = scratch.planePoints[g];
    const unsigned count = batch.Points();
    if (count == 0)
        return;
    TraceScratch::PlaneSumInputs& in = scratch.sumInputs;
    constexpr std::size_t Room = TraceScratch::Room;
    std::int32_t* tint = in.tint[g];
    for (unsigned n = 0; n < count; ++n) {
        double at[3];
        in.plane[n] = planes[n];
        if (!how.tintsGiven)
            tint[n] = static_cast<std::int32_t>(PlanePattern(batch.Point(n, at), planes[n]));
    }
    // Lanes past the last point, up to a whole vector, read the first one's values.
    constexpr unsigned Widest = WidestLanes;
    static_assert(Room % Widest == 0, "room for whole vectors");
    for (unsigned n = count; n < (count + Widest - 1) / Widest * Widest; ++n) {
        in.plane[n] = in.plane[0];
        tint[n] = 0;
        in.keptAt[n] = in.keptAt[0];
    }
    for (unsigned j = 0; j < lightCount; ++j)
        in.blocked[j] = sphereCount != 0 ? batch.BlockedBits(j) : 0u;
    const unsigned perLight = how.perLight;
    const double* kept = how.kept;
    const PlaneLightSums::Values fromBatchDiffuse{batch.DiffuseFactors(), PlanePointBatch::Padded, nullptr};
    const PlaneLightSums::Values fromBatchPower{batch.Powers(), PlanePointBatch::Padded, nullptr};
    const PlaneLightSums::Values diffuse =
        kept && KeptBand::KeepsDiffuse(perLight)
            ? PlaneLightSums::Values{kept + KeptBand::DiffuseAt(perLight, 0), perLight, in.keptAt}
            : fromBatchDiffuse;
    const PlaneLightSums::Values power =
        kept ? PlaneLightSums::Values{kept + KeptBand::PowerAt(perLight, 0), perLight, in.keptAt} : fromBatchPower;
    float(&sums)[3][Room] = in.sums[g];
    // Field by field: a braced batch is cleared whole first, a string store
    // that costs more than the rest of the set-up.
    PlaneLightSums::Batch sum;
    sum.points = count;
    sum.plane = in.plane;
    sum.tint = tint;
    sum.diffuse = diffuse;
    sum.power = power;
    sum.blocked = in.blocked.data();
    for (int c = 0; c < 3; ++c) {
        sum.shadow[c] = in.shadow[g].data() + c * lightCount * Room;
        sum.sums[c] = sums[c];
    }
    sum.shadowStride = Room;
    sum.approximatePowers = !kept && batch.PowersSquared();
    if (const std::uint32_t again = PlaneLightSums::Sum(setUp.Tables(), sum)) {
        batch.ExactPowers(again);
        sum.approximatePowers = false;
        PlaneLightSums::Sum(setUp.Tables(), sum);
    }
}

void RoomTracer::PlotPlanePoint(unsigned group, int k, unsigned p, unsigned lane)
{
    const Vec3 hit = scratch.primary.Hit(k, lane);
    const double point[3] = {hit.x, hit.y, hit.z};
    const bool kept = recordingOn && RecordPlanePoint(k, point, scratch.sumInputs.tint[group][p]);
    const PlanePointBatch& batch = scratch.planePoints[group];
    if (double* toKeep = kept ? KeptLightValues() : nullptr)
        KeepLightValues(batch, p, toKeep);
    const float(&sums)[3][TraceScratch::Room] = scratch.sumInputs.sums[group];
    PlotPoint(hit.x, hit.y, hit.z, sums[0][p], sums[1][p], sums[2][p]);
    if (kept)
        KeepComposed(sphereCount != 0 && (batch.BlockedPoints() >> p & 1u));
}

}  // namespace glintwork
