#ifndef GLINTWORK_ROOMTRACER_H
#define GLINTWORK_ROOMTRACER_H

#include <cstdint>
#include <vector>

#include "trace/kernels/BlockerBatch.h"
#include "trace/kernels/ComposeBatch.h"
#include "trace/tracers/KeptView.h"
#include "trace/kernels/LightBatch.h"
#include "trace/kernels/SphereBatch.h"
#include "trace/kernels/SphereLanes.h"
#include "trace/kernels/PlaneLightSums.h"
#include "trace/kernels/PlanePointBatch.h"
#include "trace/tracers/PointList.h"
#include "trace/kernels/PrimaryBatch.h"
#include "trace/tracers/RoomSetUp.h"
#include "trace/tracers/RoomSpheres.h"
#include "trace/math/Vec3.h"

namespace glintwork {

class Scene;

// The fast path, shared by both views' tracers: a room of five axis-aligned
// planes with up to five spheres inside, lit by point lights, with shadows and
// one bounce of reflection from the spheres onto the room.
//
// What it holds is what the set-up fixed (RoomSetUp: the view, the room, the
// lights), the spheres (RoomSpheres), the two switches, and the batches and
// kept values of the trace under way. The values of one pixel (its ray, hit
// point, normal, light direction, the colour being summed) live in the steps
// that work them out and are handed on as arguments. Some steps leave a value
// changed for the next on purpose (the reflected ray stays scaled from plane
// to plane); the steps say where.
//
// Every accepted hit is appended to the point list, in drawing order; nothing
// here touches OpenGL.
//
// Where the steps are: RoomTracer.cpp (set-up from a scene), BatchedRows.cpp
// (the walk over a band's pixels a batch at a time), PlaneShading.cpp and
// SphereShading.cpp (the colours of room and sphere points), KeptPlanes.cpp
// (the plane values a band keeps, and the frames composed from them).
//
// A tracer may be copied: the copy takes the whole state (set-up, spheres,
// switches) but starts with a point list of its own, so copies can trace
// separate bands of rows side by side.
class RoomTracer : public RoomSetUp, public RoomSpheres {
public:
    // View extents from a field of view in degrees, an aspect ratio and the
    // near distance; screen size, sphere centres and depth limit from the scene.
    void SetUpView(const Scene& scene, float fieldOfView, float aspect, float nearDistance);
    // One coordinate of each room plane's point, from the scene's plane points.
    void SetRoom(const Scene& scene);
    // Own copies of the scene's lights, materials, radii and exponents.
    void LoadScene(const Scene& scene);
    void SetEye(const Vec3& position) { eye = position; }

    // The kept plane values this tracer records into or composes from while
    // it traces rows (a band of a view; see KeptView.h). `maxValues` bounds
    // what a recording keeps: beyond it the band stops recording and stays
    // incomplete. A recording keeps `valuesPerLight` values of each light
    // too (KeptBand).
    void StartKeeping(KeptBand* band, KeepMode mode, std::size_t maxValues, unsigned valuesPerLight = 0);
    KeepMode Keeping() const { return keeping.mode; }
    // Compose or Reuse: the band's pixels from its kept values, appended to
    // `out`; sphere points traced in full.
    void ComposeKeptRows(PointList& out);

    void ToggleReflections() { reflectionsOn = !reflectionsOn; }
    void ToggleColouredShadows() { colouredShadowsOn = !colouredShadowsOn; }

    const PointList& Points() const { return plotted.own; }
    PointList& Points() { return plotted.own; }

    bool reflectionsOn = true;
    bool colouredShadowsOn = true;

protected:
    // Where PlotPoint appends: `own` unless a band render points it elsewhere.
    struct PlotTarget {
        PointList own;
        PointList* band = nullptr;
        PlotTarget() = default;
        PlotTarget(const PlotTarget&) {}
        PlotTarget& operator=(const PlotTarget&) { return *this; }
    };
    PlotTarget plotted;

    PointList& Sink() { return plotted.band ? *plotted.band : plotted.own; }

    // Walks rows [rowBegin, rowEnd), column by column, plotting into `out`;
    // `tracePixel` gets the pixel's primary direction before normalising,
    // ((A + B) + C) - eye, and traces the pixel.
    template <typename TracePixel>
    void ForEachPixel(unsigned rowBegin, unsigned rowEnd, PointList& out, TracePixel tracePixel)
    {
        plotted.band = &out;
        for (unsigned row = rowBegin; row < rowEnd; ++row) {
            for (unsigned column = 0; column < columns; ++column) {
                Vec3 a, b, c;
                SetUpPixel(row, column, a, b, c);
                tracePixel(((a + b) + c) - eye);
            }
        }
        plotted.band = nullptr;
    }

    // The fast path's pixels of rows [rowBegin, rowEnd), with the unit
    // primary direction from the pixel's ((A + B) + C) - eye as SceneTracer
    // has it: the primary rays a batch of neighbouring pixels at a time
    // (PrimaryBatch), then each pixel shaded in order.
    void TraceRowsBatched(unsigned rowBegin, unsigned rowEnd, PointList& out);
    // Fills in batchConstants from the current set-up and eye (before a band).
    void PrepareBatch();
    // Shades the first `count` pixels of primaryBatch, once traced, in lane order.
    void ShadeBatch(unsigned count);
    // The fewest pixels a group of plane points holds: as many as
    // PlanePointBatch takes with every room plane accepted for each. A group
    // takes as many neighbouring pixels as its batch holds (most often all
    // of a batch of primary rays), so there are at most ShadeGroups groups.
    static constexpr unsigned ShadeGroup = PlanePointBatch::MaxPoints / RoomPlanes;
    static constexpr unsigned ShadeGroups = PrimaryBatch::Lanes / ShadeGroup;
    PrimaryBatch primaryBatch;
    PrimaryBatch::Constants batchConstants;

private:
    // Skips work whose result can never be seen; the points that can show
    // are those of the straightforward tracer (ReferenceTracer), bit for bit:
    // - a sphere point is plotted once for each room plane its reflection
    //   faces, all at one position; with the less-or-equal depth test only the
    //   last can show, so only that one is worked out and plotted;
    // - the room planes' normals are unit axes already: normalising them
    //   changes nothing and is skipped;
    // - the normalised view direction of the light terms is never read;
    // - a light blocked by a sphere adds no diffuse or specular part, so
    //   those factors are not worked out for it.

    // --- steps of one pixel ---------------------------------------------------
    // Shades lane `lane` of primaryBatch: its accepted plane points (from
    // the batched point `next` on), then the spheres its first test did not
    // rule out (from sphereBatch). Returns the next pixel's first point.
    unsigned ShadeBatchedPixel(unsigned lane, unsigned next);
    // The colour of the accepted hit on plane k of pixel `lane` (coordinate a
    // at hit[a][lane]), plotted, from point p of `batch` (of pixel group
    // `group`), whose light sum is worked out already (SumPlanePoints).
    void ShadeBatchedPlanePoint(const PlanePointBatch& batch, unsigned group, int k, unsigned p, const double* hit[3],
                                unsigned lane);
    // Every light's values of point p of `batch` into `toKeep` as KeptBand
    // keeps them, `perLight` a light, blocked or not (the batch has worked
    // out every light's power when a band keeps them).
    void KeepLightValues(const PlanePointBatch& batch, unsigned p, unsigned perLight, double* toKeep) const;
    // Adds the blocked lights of `batch`'s points to `blockers`, in the
    // order SumPlanePoints reads them, as many as it has room for.
    // The batch is pixel group `group`'s: what it queued goes to
    // queuedBlockers[group], each entry's light and point to blockerSlots.
    void QueueBlockers(const PlanePointBatch& batch, unsigned group);
    // The room and spheres of sphereBatch, from the set-up, the eye and sphereSet.
    void PrepareSphereBatch();
    // Entry n of sphereBatch, once worked out: its sphere where the pixel's
    // ray meets it, if it does, with the room it reflects, plotted.
    void ShadeSphere(unsigned n);

    // The tint of the room's pattern at a point of plane k: a bit per
    // channel of 1 (the others are 0).
    static unsigned PlanePattern(const Vec3& point, int k);
    // The colour a blocking sphere m shows where the line from `origin` along
    // `direction` enters it, with the exponent of sphere e.
    void BlockerColour(const Vec3& origin, const Vec3& direction, unsigned m, unsigned e, float out[3]) const;
    // The light sum of the plane point entry n of sphereBatch shows.
    void ReflectedLightSum(unsigned n, float out[3]) const;
    // Light j's share of a point's colour, added to `sum` channel by channel
    // in float, as every light sum adds it. A point of plane k with pattern
    // tint `ones` and no sphere blocking the light: its unshadowed terms,
    // from its diffuse factor and specular power.
    void AddPlaneLight(unsigned j, int k, unsigned ones, double diffuse, double power, float sum[3]) const;
    // With a sphere blocking the light: the ambient product plus `shadow`,
    // the colour that sphere shows (BlockerColour).
    void AddBlockedPlaneLight(unsigned j, int k, const float shadow[3], float sum[3]) const;
    // Light j's share of a point of sphere m's with nothing blocking the
    // light, from its diffuse factor and specular power, added to `sum`.
    void AddSphereLight(unsigned j, unsigned m, double diffuse, double power, float sum[3]) const;
    // The power for that term from its base, with the exponent of sphere e:
    // 0 without a call where it cannot change the term (SpecularCutoff).
    double SpherePower(unsigned j, unsigned m, unsigned e, double base) const;
    // Written in place field by field: a record built aside and copied in
    // is stored in small pieces and read back whole, which stalls. The
    // coordinates come by value for the same reason: a point the caller
    // stored coordinate by coordinate would be read back two at a time.
    void PlotPoint(double x, double y, double z, float red, float green, float blue)
    {
        PlotRecord& r = Sink().emplace_back();
        r.red = red;
        r.green = green;
        r.blue = blue;
        r.x = static_cast<float>(x);
        r.y = static_cast<float>(y);
        r.z = static_cast<float>(z);
    }
    // The band's plane points from the kept values, into its composed list.
    void ComposeKeptPlanes(const SphereSet& spheres);

    // Keeps the plane point `hitPoint` on plane k in the band being
    // recorded; false (and recording stopped) past the budget. Its light
    // values go to KeptLightValues() (null when they are not kept).
    bool RecordPlanePoint(int k, const Vec3& hitPoint);
    double* KeptLightValues();
    // The pixel just traced: its primary direction and where its plane points end.
    void KeepPixel(const Vec3& primaryDir);
    // The point just plotted as the band's composed point, with whether a
    // sphere blocked any of its lights.
    void KeepComposed(bool shadowed);
    void NewStamp();

    // The plane points of primaryBatch's pixels, in shading order, a group
    // of pixels each (groupOfLane): all groups are worked out before the
    // first is shaded, so their steps overlap.
    PlanePointBatch planePointBatches[ShadeGroups];
    // The factors of one light's unshadowed term on one room plane,
    // multiplied out as far as the order of operations allows: the ambient
    // product, the tint times the diffuse products for each tint the plane
    // patterns use (channels of 0 or 1, by PlanePattern's bits), and the
    // specular product; a channel a lane, the fourth lane 0. They depend on
    // the light's colours and the plane's material (LoadScene); light j on
    // plane k at j * RoomPlanes + k.
    struct PlaneLightFactors {
        double ambient[4];
        double tinted[8][4];
        double specular[4];
    };
    std::vector<PlaneLightFactors> planeLightFactors;
    // The same for light j on sphere m (at j * sphereCount + m), a channel an
    // entry: the ambient, diffuse and specular products; and with the
    // exponent of sphere e, the base below which the power leaves the term
    // as it is (SpecularCutoff).
    struct SphereLightFactors {
        double ambient[3];
        double diffuse[3];
        double specular[3];
        double cutoff[MaxSpheres];
    };
    std::vector<SphereLightFactors> sphereLightFactors;
    // The plane points of primaryBatch's pixels in shading order: each
    // one's pixel (lane) and plane.
    unsigned batchedPoints = 0;
    std::uint8_t batchedLane[PlanePointBatch::MaxPoints * ShadeGroups];
    std::uint8_t batchedPlane[PlanePointBatch::MaxPoints * ShadeGroups];
    unsigned groupStart[ShadeGroups] = {};  // each group's first point among them
    std::uint8_t groupOfLane[PrimaryBatch::Lanes] = {};  // each pixel's group

    // The sphere points of the pixels being shaded or composed, a batch at
    // once, and the next entry to shade.
    SphereBatch sphereBatch;
    unsigned nextSphere = 0;
    unsigned lanesWithSpheres = 0;  // of primaryBatch: a bit per lane some sphere is not ruled out for
    // A blocking sphere's light terms, all lights at once (BlockerColour).
    mutable LightBatch blockerBatch;
    // The blocked lights of the plane points being shaded or composed, a
    // batch at once, and the next entry to read.
    BlockerBatch blockers;
    unsigned nextBlocker = 0;
    // The light sums of a batch of room points, traced or composed again, a
    // vector of points at once, and what they read besides the batch: each
    // point's plane, tint and place among the kept values, and the colours
    // of its blocked lights.
    PlaneLightSums planeLightSums;
    struct PlaneSumInputs {
        static constexpr std::size_t Room = PlanePointBatch::Padded;
        std::int32_t plane[Room], tint[Room];
        std::int64_t keptAt[Room];
        std::vector<float> shadow[3];      // per light Room points
        std::vector<unsigned> blocked;     // per light a bit per point
        float sums[ShadeGroups][3][Room];  // a batch's each, for each group of pixels
    };
    PlaneSumInputs sumInputs;
    // How many blocked lights each group's batch queued, and whether all.
    struct QueuedBlockers {
        unsigned count;
        bool all;
    };
    QueuedBlockers queuedBlockers[ShadeGroups] = {};
    // Per blocker entry: its light j and point p, at j x PlaneSumInputs::Room + p.
    std::vector<std::uint32_t> blockerSlots;
    // The light sums of `batch`'s points (with their planes, `planes`) into
    // sumInputs.sums[group], a vector of points at once (PlaneLightSums):
    // per channel the float sum in light order of each light's unshadowed
    // term, or for a light a sphere blocks (the first on its line), the
    // ambient product plus that sphere's colour. The diffuse factors and
    // powers come from `kept` (at sumInputs.keptAt, `perLight` values a
    // light, as KeptBand keeps them) or else from the batch; the blocked
    // lights' colours from `blockers` (QueueBlockers), and those past what
    // it took one at a time. Where the batch's powers are squared
    // (PlanePointBatch::PowersSquared), the points
    // whose sums they might change get pow's powers and are summed again.
    void SumPlanePoints(PlanePointBatch& batch, const std::uint8_t* planes, unsigned perLight, const double* kept,
                        unsigned group);

    struct KeepingState {
        KeptBand* band = nullptr;
        KeepMode mode = KeepMode::Off;
        std::size_t maxValues = 0;
        unsigned valuesPerLight = 0;
    };
    KeepingState keeping;
    // Scratch of ComposeKeptRows, a band's worth: the shadow tests of its
    // plane points (a byte per light and point), the points to compose
    // again, and the pixels whose sphere points are traced (see
    // ComposeBatch.h).
    std::vector<std::uint8_t> shadowMasks;
    std::vector<std::uint32_t> pointsToCompose;
    std::vector<std::uint32_t> sphereCandidates;
};

}  // namespace glintwork

#endif
