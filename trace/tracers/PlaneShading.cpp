// The colours of the fast path's room points: the planes' patterns, a
// primary hit's light sum from its batch (with the values a band keeps of
// it), and the light sum of a plane point seen in a sphere.

#include <cmath>
#include <cstdint>

#include "trace/kernels/LightTerms.h"
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

unsigned RoomTracer::PlanePattern(const Vec3& point, int k)
{
    if (k <= 2) {
        // Walls: red bands between -10 and -5 and between 0 and 5, yellow elsewhere.
        const double y = point.y;
        if ((-10.0 < y && y < -5.0) || (0.0 < y && y < 5.0))
            return Red;
        return Yellow;
    }
    const std::int32_t x = TruncateToInt32(point.x);
    const std::int32_t z = TruncateToInt32(point.z);
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

void RoomTracer::ShadeBatchedPlanePoint(const PlanePointBatch& batch, unsigned group, int k, unsigned p,
                                        const double* hit[3], unsigned lane)
{
    const bool kept =
        keeping.mode == KeepMode::Record && RecordPlanePoint(k, Vec3(hit[0][lane], hit[1][lane], hit[2][lane]));
    if (double* toKeep = kept ? KeptLightValues() : nullptr)
        KeepLightValues(batch, p, keeping.valuesPerLight, toKeep);
    const float(&sums)[3][PlaneSumInputs::Room] = sumInputs.sums[group];
    PlotPoint(hit[0][lane], hit[1][lane], hit[2][lane], sums[0][p], sums[1][p], sums[2][p]);
    if (kept)
        KeepComposed(sphereCount != 0 && (batch.BlockedPoints() >> p & 1u));
}

void RoomTracer::SumPlanePoints(PlanePointBatch& batch, const std::uint8_t* planes, unsigned perLight,
                                const double* kept, unsigned group)
{
    const unsigned count = batch.Points();
    if (count == 0)
        return;
    PlaneSumInputs& in = sumInputs;
    constexpr std::size_t Room = PlaneSumInputs::Room;
    for (unsigned n = 0; n < count; ++n) {
        double at[3];
        batch.Point(n, at);
        in.plane[n] = planes[n];
        in.tint[n] = static_cast<std::int32_t>(PlanePattern(Vec3(at[0], at[1], at[2]), planes[n]));
    }
    // Lanes past the last point, up to a whole vector, read the first one's values.
    constexpr unsigned Widest = WidestLanes;
    static_assert(Room % Widest == 0, "room for whole vectors");
    for (unsigned n = count; n < (count + Widest - 1) / Widest * Widest; ++n) {
        in.plane[n] = in.plane[0];
        in.tint[n] = 0;
        in.keptAt[n] = in.keptAt[0];
    }
    for (unsigned j = 0; j < lightCount; ++j)
        in.blocked[j] = sphereCount != 0 ? batch.BlockedBits(j) : 0u;
    // The blocked lights' colours: those the blocker batch took to the
    // places QueueBlockers noted; the rest (the blocked lights past the last
    // one it took, in order) one at a time.
    const QueuedBlockers& queued = queuedBlockers[group];
    for (const unsigned end = nextBlocker + queued.count; nextBlocker < end; ++nextBlocker) {
        for (int c = 0; c < 3; ++c)
            in.shadow[c][blockerSlots[nextBlocker]] = blockers.Colour(nextBlocker, c);
    }
    unsigned taken = 0;  // of the blocked lights passed, those the batch took
    for (unsigned blocked = queued.all ? 0u : batch.BlockedPoints(); blocked != 0; blocked &= blocked - 1) {
        const unsigned n = static_cast<unsigned>(__builtin_ctz(blocked));
        for (unsigned j = 0; j < lightCount; ++j) {
            const int blocker = batch.Blocker(j, n);
            if (blocker < 0 || taken++ < queued.count)
                continue;
            double at[3];
            batch.Point(n, at);
            const unsigned m = static_cast<unsigned>(blocker);
            float shadow[3];
            BlockerColour(Vec3(at[0], at[1], at[2]), batch.LightDir(j, n), m, m, shadow);
            for (int c = 0; c < 3; ++c)
                in.shadow[c][j * Room + n] = shadow[c];
        }
    }
    const PlaneLightSums::Values fromBatchDiffuse{batch.DiffuseFactors(), PlanePointBatch::Padded, nullptr};
    const PlaneLightSums::Values fromBatchPower{batch.Powers(), PlanePointBatch::Padded, nullptr};
    const PlaneLightSums::Values diffuse =
        kept && KeptBand::KeepsDiffuse(perLight)
            ? PlaneLightSums::Values{kept + KeptBand::DiffuseAt(perLight, 0), perLight, in.keptAt}
            : fromBatchDiffuse;
    const PlaneLightSums::Values power =
        kept ? PlaneLightSums::Values{kept + KeptBand::PowerAt(perLight, 0), perLight, in.keptAt} : fromBatchPower;
    float(&sums)[3][Room] = in.sums[group];
    // Field by field: a braced batch is cleared whole first, a string store
    // that costs more than the rest of the set-up.
    PlaneLightSums::Batch sum;
    sum.points = count;
    sum.plane = in.plane;
    sum.tint = in.tint;
    sum.diffuse = diffuse;
    sum.power = power;
    sum.blocked = in.blocked.data();
    for (int c = 0; c < 3; ++c) {
        sum.shadow[c] = in.shadow[c].data();
        sum.sums[c] = sums[c];
    }
    sum.shadowStride = Room;
    sum.approximatePowers = !kept && batch.PowersSquared();
    if (const std::uint32_t again = planeLightSums.Sum(sum)) {
        batch.ExactPowers(again);
        sum.approximatePowers = false;
        planeLightSums.Sum(sum);
    }
}

void RoomTracer::KeepLightValues(const PlanePointBatch& batch, unsigned p, unsigned perLight, double* toKeep) const
{
    for (unsigned j = 0; j < lightCount; ++j) {
        if (KeptBand::KeepsDiffuse(perLight))
            toKeep[KeptBand::DiffuseAt(perLight, j)] = batch.Diffuse(j, p);
        toKeep[KeptBand::PowerAt(perLight, j)] = batch.Power(j, p);
    }
}

void RoomTracer::QueueBlockers(const PlanePointBatch& batch, unsigned group)
{
    QueuedBlockers& queued = queuedBlockers[group];
    queued = QueuedBlockers{0, true};
    if (sphereCount == 0)
        return;
    // Only the points some light of which is blocked, in order.
    for (unsigned points = batch.BlockedPoints(); points != 0; points &= points - 1) {
        const unsigned p = static_cast<unsigned>(__builtin_ctz(points));
        double point[3];
        batch.Point(p, point);
        for (unsigned j = 0; j < lightCount; ++j) {
            const int blocker = batch.Blocker(j, p);
            if (blocker < 0)
                continue;
            if (blockers.Room() == 0) {
                queued.all = false;
                return;
            }
            const Vec3 dir = batch.LightDir(j, p);
            const double direction[3] = {dir.x, dir.y, dir.z};
            const unsigned n = blockers.Add(point, direction, static_cast<unsigned>(blocker));
            blockerSlots[n] = static_cast<std::uint32_t>(j * PlaneSumInputs::Room + p);
            ++queued.count;
        }
    }
}

void RoomTracer::ReflectedLightSum(unsigned n, float out[3]) const
{
    const SphereBatch& batch = sphereBatch;
    const int q = batch.ShownPlane(n);
    const Vec3 point = batch.ShownPoint(n);
    const unsigned ones = PlanePattern(point, q);
    const double exponent = planeExponents[q];
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (unsigned j = 0; j < lightCount; ++j) {
        // The first sphere in index order on the line casts the shadow.
        const int blocker = batch.ShownBlocker(j, n);
        if (blocker < 0) {
            AddPlaneLight(j, q, ones, batch.ShownDiffuse(j, n), SpecularPower(batch.ShownSpecularBase(j, n), exponent),
                          sum);
        } else {
            float shadow[3];
            BlockerColour(point, batch.ShownLightDir(j, n), static_cast<unsigned>(blocker),
                          static_cast<unsigned>(blocker), shadow);
            AddBlockedPlaneLight(j, q, shadow, sum);
        }
    }
    out[0] = sum[0];
    out[1] = sum[1];
    out[2] = sum[2];
}

void RoomTracer::AddPlaneLight(unsigned j, int k, unsigned ones, double diffuse, double power, float sum[3]) const
{
    const PlaneLightFactors& f = planeLightFactors[j * std::size_t(RoomPlanes) + k];
    const double* tinted = f.tinted[ones];
    for (int c = 0; c < 3; ++c) {
        const double term = LightTerm<OneLane>(f.ambient[c], tinted[c], f.specular[c], diffuse, power);
        sum[c] = static_cast<float>(AddedToFloatSum<OneLane>(term, sum[c]));
    }
}

void RoomTracer::AddBlockedPlaneLight(unsigned j, int k, const float shadow[3], float sum[3]) const
{
    const PlaneLightFactors& f = planeLightFactors[j * std::size_t(RoomPlanes) + k];
    for (int c = 0; c < 3; ++c)
        sum[c] = static_cast<float>(AddedToFloatSum<OneLane>(ShadowedTerm<OneLane>(f.ambient[c], shadow[c]), sum[c]));
}

}  // namespace glintwork
