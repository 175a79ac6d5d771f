#ifndef GLINTWORK_TRACESCRATCH_H
#define GLINTWORK_TRACESCRATCH_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "trace/kernels/BlockerBatch.h"
#include "trace/kernels/PlanePointBatch.h"
#include "trace/kernels/PrimaryBatch.h"
#include "trace/kernels/SphereBatch.h"
#include "trace/tracers/PointList.h"

namespace glintwork {

class RoomSetUp;

// The working values of one thread's trace: the batches a band is worked
// out in and what their stages hand on to each other. Nothing in here lasts
// beyond the band that wrote it; each thread that traces owns one (the band
// pool's workers do) and it is never copied.
class alignas(64) TraceScratch {
public:
    TraceScratch() = default;
    TraceScratch(const TraceScratch&) = delete;
    TraceScratch& operator=(const TraceScratch&) = delete;

    // Sizes the batches for the set-up's lights, once for each set-up.
    void Fit(const RoomSetUp& setUp);

private:
    friend class RoomTracer;

    // The fewest pixels a group of plane points holds: as many as
    // PlanePointBatch takes with every room plane accepted for each. A group
    // takes as many neighbouring pixels as its batch holds (most often all
    // of a batch of primary rays), so there are at most ShadeGroups groups.
    static constexpr unsigned RoomPlanes = 5;
    static constexpr unsigned ShadeGroup = PlanePointBatch::MaxPoints / RoomPlanes;
    static constexpr unsigned ShadeGroups = PrimaryBatch::Lanes / ShadeGroup;
    // The batch of the room points that sphere points reflect comes after
    // the groups of primary hits.
    static constexpr unsigned ReflectedGroup = ShadeGroups;
    static constexpr unsigned Groups = ShadeGroups + 1;
    static constexpr std::size_t Room = PlanePointBatch::Padded;

    std::uint64_t fittedTo = 0;  // the set-up's id
    unsigned lights = 0;

    PrimaryBatch primary;
    PrimaryBatch::Constants constants;

    // The plane points being shaded, a group of them a batch, with each
    // primary hit's pixel (lane of `primary`) and plane in shading order,
    // each group's first point among them, and each pixel's group.
    PlanePointBatch planePoints[Groups];
    unsigned batchedPoints = 0;
    std::uint8_t batchedLane[PlanePointBatch::MaxPoints * ShadeGroups];
    std::uint8_t batchedPlane[PlanePointBatch::MaxPoints * ShadeGroups];
    unsigned groupStart[ShadeGroups] = {};
    std::uint8_t groupOfLane[PrimaryBatch::Lanes] = {};

    // What a group's sums read besides its batch: each point's plane, its
    // tint (a group's each, read again when its points are kept) and place
    // among the kept values; per light a bit per point a sphere
    // blocks it for; the colours of its blocked lights (channel c of light j
    // and point p at (c x lights + j) x Room + p); and the sums.
    struct PlaneSumInputs {
        std::int32_t plane[Room], tint[Groups][Room];
        std::int64_t keptAt[Room];
        std::vector<unsigned> blocked;
        std::vector<float> shadow[Groups];
        float sums[Groups][3][Room];
    };
    PlaneSumInputs sumInputs;

    // The blocked lights whose colours the blocker batch works out, and
    // where each entry's colour goes: its red, with green and blue a
    // stride after each other.
    BlockerBatch blockers;
    std::vector<float*> blockerColours;
    std::vector<std::size_t> blockerStrides;

    // The sphere points being shaded, a batch at once; for each entry the
    // colour of the room point it reflects, and of each light a sphere
    // blocks there, the colour that sphere shows (channel c of light j and
    // entry n at (c x lights + j) x Capacity + n).
    SphereBatch spheres;
    float reflected[3][SphereBatch::Capacity] = {};
    std::vector<float> sphereShadows;

    // The points plotted and not yet handed to the band's list: at most
    // every plane and every sphere of a batch of primary rays.
    static constexpr unsigned MaxPlotted = PrimaryBatch::Lanes * (RoomPlanes + PrimaryBatch::MaxSpheres);
    PlotRecord plotted[MaxPlotted];
    unsigned plottedCount = 0;

    // Of a band composed from kept values: the shadow tests of its plane
    // points (a byte per light and point), the points to compose again, and
    // the pixels whose sphere points are traced (see ComposeBatch.h).
    std::vector<std::uint8_t> shadowMasks;
    std::vector<std::uint32_t> pointsToCompose;
    std::vector<std::uint32_t> sphereCandidates;
};

}  // namespace glintwork

#endif
