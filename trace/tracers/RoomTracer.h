#ifndef GLINTWORK_ROOMTRACER_H
#define GLINTWORK_ROOMTRACER_H

#include <cstddef>
#include <cstdint>

#include "trace/kernels/PlanePointBatch.h"
#include "trace/kernels/SphereLanes.h"
#include "trace/tracers/BandWatch.h"
#include "trace/tracers/KeptBand.h"
#include "trace/tracers/PointList.h"
#include "trace/tracers/RoomSetUp.h"
#include "trace/tracers/TraceScratch.h"
#include "trace/tracers/ViewInputs.h"

namespace glintwork {

// Where a band that is traced keeps its plane values (KeptBand.h), if
// anywhere: at most `maxValues` doubles of them (past that the band stops
// keeping and stays incomplete), with `valuesPerLight` values of each light
// (KeptBand).
struct BandRecording {
    KeptBand* band = nullptr;
    std::size_t maxValues = 0;
    unsigned valuesPerLight = 0;
};

// The fast path's trace of one band of a view: a room of five axis-aligned
// planes with up to five spheres inside, lit by point lights, with shadows
// and one bounce of reflection from the spheres onto the room. It works on
// the set-up and the inputs it is given, which it never changes, and in the
// scratch of the thread that calls it; every accepted hit is appended to
// `sink`, in drawing order. Between batches of pixels it tells `watch` how
// far it has got and stops, part-way, once the frame is given up (then the
// sink and the kept band it wrote hold part of a band, to be thrown away).
// Nothing here touches OpenGL.
//
// Where the steps are: BatchedRows.cpp (the walk over a band's pixels a
// batch at a time), PlaneShading.cpp (the colours of room points: the one
// stage of their light terms, shadows and sums), SphereShading.cpp (the
// colours of sphere points), KeptPlanes.cpp (the plane values a band keeps,
// and the bands composed from them).
class RoomTracer {
public:
    RoomTracer(const RoomSetUp& setUp, const ViewInputs& inputs, TraceScratch& scratch, PointList& sink,
               const BandWatch& watch = BandWatch());
    RoomTracer(const RoomTracer&) = delete;
    RoomTracer& operator=(const RoomTracer&) = delete;

    // Traces rows [rowBegin, rowEnd), keeping their plane values where
    // `recording` names a band; true when it kept all of them (never for a
    // band given up part-way).
    bool TraceRows(unsigned rowBegin, unsigned rowEnd, const BandRecording& recording = {});
    // The band's pixels from its kept values: its plane points as composed
    // last time, or after the spheres moved (`spheresMoved`) composed again
    // with their shadows where the spheres are now (and kept so); sphere
    // points traced in full. False when given up part-way: then the band's
    // composed points are partly for these spheres and partly for the last.
    bool ComposeRows(KeptBand& band, bool spheresMoved);

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

    // --- the walk over the pixels (BatchedRows.cpp) ---------------------------
    // The batches' constants from the set-up, the eye and the spheres.
    void PrepareBatch();
    // The environment view's rows: each pixel's ray bent off the
    // environment sphere, those that meet it gathered a batch at a time.
    // False when given up part-way.
    bool TraceBentRows(unsigned rowBegin, unsigned rowEnd);
    // Shades the first `count` pixels of the primary batch, once traced, in
    // lane order.
    void ShadeBatch(unsigned count);
    // Shades lane `lane` of the primary batch: its plane points (from the
    // batched point `next` on), then its spheres. Returns the next pixel's
    // first point. (Inlined where the batch is shaded: a call a pixel costs
    // a few percent of a frame.)
    inline __attribute__((always_inline)) unsigned ShadeBatchedPixel(unsigned lane, unsigned next);

    // --- room points (PlaneShading.cpp) ---------------------------------------
    // What the plane stage works out of its batches, and where its powers
    // come from: squared approximations that the sums check, pow's for every
    // light (to keep them), or the kept values (`kept`, `perLight` a light,
    // as KeptBand keeps them, at the sum inputs' keptAt).
    // The tints of the points are worked out, or given in the sum inputs
    // (`tintsGiven`: kept with the points).
    struct PlaneWork {
        PlanePointBatch::Work work = PlanePointBatch::Work::Everything;
        bool approximatePowers = true;
        bool allPowers = false;
        unsigned perLight = 0;
        const double* kept = nullptr;
        bool tintsGiven = false;
    };
    // The one stage of a room point's colour: for the plane point batches
    // [first, first + groups), their light terms and shadow tests (or the
    // tests' results given them), the colours of the spheres that block
    // their lights, and the sums, into the sum inputs' sums of the same
    // index. Group g's planes are at planes + starts[g - first].
    void ShadePlanePoints(unsigned first, unsigned groups, const std::uint8_t* planes, const unsigned* starts,
                          const PlaneWork& how);
    // Queues the blocked lights of batch g's points for the blocker batch.
    void QueueBlockers(unsigned g);
    // The sums of batch g's points (with their planes) into its sums.
    void SumPlanePoints(unsigned g, const std::uint8_t* planes, const PlaneWork& how);
    // A blocked light's line: from `point` along the unit `direction`,
    // blocked by sphere m, with the exponent of sphere e; its colour goes to
    // red[0], red[stride], red[2 stride]. Works out what is queued when the
    // blocker batch is full.
    void QueueBlocker(const double point[3], const Vec3& direction, unsigned m, unsigned e, float* red,
                      std::size_t stride);
    void FlushBlockers();
    // Plots the accepted hit on plane k of pixel `lane`, point p of group
    // `group`, whose sums are worked out.
    void PlotPlanePoint(unsigned group, int k, unsigned p, unsigned lane);
    // The tint of the room's pattern at a point of plane k: a bit per
    // channel of 1 (the others are 0).
    static unsigned PlanePattern(const double point[3], int k);

    // --- sphere points (SphereShading.cpp) ------------------------------------
    // The sphere batch's room and spheres, from the set-up, the eye and the spheres.
    void PrepareSphereBatch();
    // Once the sphere batch is worked out: the colours of the room points
    // its entries reflect and of the spheres that block their lights.
    void ShadeSphereBatch();
    // Entry n of the sphere batch: its sphere where the pixel's ray meets
    // it, if it does, with the room it reflects, plotted.
    void ShadeSphere(unsigned n);
    // Light j's share of a point of sphere m's with nothing blocking the
    // light, from its diffuse factor and the base of its power with the
    // exponent of sphere e, added to `sum` channel by channel in float.
    void AddSphereLight(unsigned j, unsigned m, unsigned e, double diffuse, double base, float sum[3]) const;

    // --- kept values (KeptPlanes.cpp) -----------------------------------------
    // Starts keeping the plane values of the `pixels` pixels to be traced.
    void StartRecording(const BandRecording& recording, std::size_t pixels);
    // Keeps the plane point on plane k, with its tint, in the band being
    // recorded; false (and recording stopped) past the budget. Its light
    // values go to KeptLightValues() (null when they are not kept).
    bool RecordPlanePoint(int k, const double point[3], std::int32_t tint);
    double* KeptLightValues();
    // Every light's values of point p of `batch`, as KeptBand keeps them.
    void KeepLightValues(const PlanePointBatch& batch, unsigned p, double* toKeep) const;
    // The pixel just traced: its primary direction and where its plane points end.
    void KeepPixel(const Vec3& primaryDir);
    // The point just plotted as the band's composed point, with whether a
    // sphere blocked any of its lights.
    void KeepComposed(bool shadowed);
    // The band's plane points some sphere shadows now or shadowed when they
    // were last composed, composed again.
    // False when given up part-way.
    bool ComposeKeptPlanes(KeptBand& band);

    // Points go to the scratch's list of plotted points first, and from
    // there to the sink a batch at a time (FlushPlotted): a store into an
    // array in place of a call a point. Written in place field by field: a
    // record built aside and copied in is stored in small pieces and read
    // back whole, which stalls. The coordinates come by value for the same
    // reason: a point the caller stored coordinate by coordinate would be
    // read back two at a time.
    void PlotPoint(double x, double y, double z, float red, float green, float blue)
    {
        PlotRecord& r = scratch.plotted[scratch.plottedCount++];
        r.red = red;
        r.green = green;
        r.blue = blue;
        r.x = static_cast<float>(x);
        r.y = static_cast<float>(y);
        r.z = static_cast<float>(z);
    }
    void FlushPlotted()
    {
        sink.insert(sink.end(), scratch.plotted, scratch.plotted + scratch.plottedCount);
        scratch.plottedCount = 0;
    }

    const RoomSetUp& setUp;
    const ViewInputs& inputs;
    TraceScratch& scratch;
    PointList& sink;
    const BandWatch watch;
    const unsigned lightCount;
    const unsigned sphereCount;
    const SphereSet sphereSet;  // the spheres where the inputs put them

    // The band being recorded, if any.
    BandRecording recording;
    bool recordingOn = false;

    // The next entry of the sphere batch to shade, and of the primary batch
    // a bit per lane some sphere is not ruled out for.
    unsigned nextSphere = 0;
    unsigned lanesWithSpheres = 0;
};

// Every pixel of the view, row by row, on the calling thread, into a fresh
// point list.
PointList TraceView(const RoomSetUp& setUp, const ViewInputs& inputs);

}  // namespace glintwork

#endif
