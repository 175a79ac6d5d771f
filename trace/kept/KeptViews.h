#ifndef GLINTWORK_KEPTVIEWS_H
#define GLINTWORK_KEPTVIEWS_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "trace/kept/BandPool.h"
#include "trace/tracers/KeptBand.h"
#include "trace/tracers/PointList.h"
#include "trace/tracers/RoomSetUp.h"
#include "trace/tracers/ViewInputs.h"

namespace glintwork {

// The one store of what is kept from frame to frame, and the frames drawn
// from it. A view is asked for by its set-up and its inputs (ViewInputs);
// what is kept is found by those alone, all within one budget, the least
// recently used out first:
// - the points of a view drawn before with the same inputs: drawn again as
//   they are;
// - the plane values of a view of the same set-up, eye and kind (KeptBand):
//   its room's points as they were composed, or composed again with the
//   spheres where they are now (after a move), the sphere points traced;
// - nothing: the view is traced in full on the pool's threads, and what it
//   will need next is kept.
// Which of these a frame takes is decided in Draw alone, from the difference
// between the inputs kept and the new ones. Every way gives the same points
// in the same order as one thread tracing the view in full.
class KeptViews {
public:
    static constexpr unsigned RowsPerBand = 8;
    // Everything kept takes at most this much (eight lights at 1280 x 960:
    // the single view with its specular powers, or the pair's two views
    // without).
    static constexpr std::size_t DefaultBudgetBytes = std::size_t(256) << 20;

    struct Options {
        // Draw a view whose inputs are unchanged from the points kept for it.
        bool reusePoints = true;
        // Make a frame after an input from the plane values kept for its view.
        bool reusePlanes = true;
        // What everything kept takes at most. A frame's points that would
        // take more than its view may are drawn band by band and not kept,
        // and tracing runs at most a few bands ahead of the drawing.
        std::size_t budgetBytes = DefaultBudgetBytes;
        bool operator==(const Options& o) const
        {
            return reusePoints == o.reusePoints && reusePlanes == o.reusePlanes && budgetBytes == o.budgetBytes;
        }
    };

    // How a frame was made.
    enum class Made { FromKeptPoints, FromKeptPlanes, Composed, Traced };
    struct Frame {
        Made made = Made::Traced;
        bool cancelled = false;
        // From the start of the first band's trace to the end of the last
        // one's (0 when no band was traced).
        double traceMs = 0.0;
        unsigned workers = 0;  // the pool's workers that took bands
        std::size_t points = 0;
    };

    explicit KeptViews(BandPool& pool);
    KeptViews(BandPool& pool, const Options& options);
    KeptViews(const KeptViews&) = delete;
    KeptViews& operator=(const KeptViews&) = delete;

    void SetOptions(const Options& options);
    const Options& GetOptions() const { return options; }

    // Draws the view `inputs` of `setUp`: hands its bands to `draw` in row
    // order, each as soon as it is ready. `keepGoing` is the pool's
    // (BandPool::Run): when it cancels the frame, the bands are incomplete
    // and nothing of the frame is kept.
    Frame Draw(const RoomSetUp& setUp, const ViewInputs& inputs, const std::function<void(const PointList&)>& draw,
               const std::function<bool()>& keepGoing = {});

    // How the frame under way (or the last one) is made.
    Made Making() const { return making; }

    // Whether plane values are kept for the view (its set-up, eye and kind),
    // and whether they were too large to keep.
    enum class Planes { None, Kept, TooLarge };
    Planes PlanesFor(const RoomSetUp& setUp, const ViewInputs& inputs) const;
    // What everything kept takes now.
    std::size_t Bytes() const;
    void Clear();

    // What a view of `pixels` pixels is expected to take, at about one plane
    // point a pixel, with `lightValues` values of its lights: its
    // direction and end, the point's values, composed record, plane, tint
    // and shadowed flag, its share of a chunk's ball (a byte), and its drawn
    // point.
    static std::size_t ExpectedBytes(std::size_t pixels, std::size_t lightValues = 0);

private:
    // A view's plane values: of one set-up, eye and kind of view.
    struct Room {
        enum class State { Empty, Kept, TooLarge };  // TooLarge: over the budget, traced in full every time
        State state = State::Empty;
        // What the plane values may take.
        std::size_t budgetBytes = SIZE_MAX;
        // The values the bands keep per plane point and light (0, 1: the
        // power, 2: the diffuse factor and the power): the most expected to
        // fit with room for the views drawn with this one without them, up
        // to `maxValuesPerLight` (lowered where a view once did not fit).
        unsigned valuesPerLight = 0;
        unsigned maxValuesPerLight = 2;
        // The inputs its plane points were composed for (their spheres).
        ViewInputs composedFor;
        std::vector<KeptBand> bands;
        // The processor time its last frame made from these values took a
        // point drawn, in nanoseconds (0: none yet): after a sphere move and
        // with the spheres where they were, which cost very differently.
        double movedNsPerPoint = 0.0;
        double reusedNsPerPoint = 0.0;
        std::size_t Bytes() const;
    };

    // What is kept for one view's inputs: the points drawn for them, and
    // the plane values of their set-up, eye and kind (each view's are kept
    // with the inputs last drawn from them).
    struct Entry {
        bool used = false;
        unsigned long lastUse = 0;
        std::uint64_t setUpId = 0;
        ViewInputs inputs;
        bool hasRoom = false;
        Room room;
        bool hasPoints = false;
        std::vector<PointList> points;
        std::size_t Bytes() const;
    };
    static constexpr std::size_t Entries = 8;

    Entry* Find(std::uint64_t setUpId, const ViewInputs& inputs);
    Entry* FindRoom(std::uint64_t setUpId, const ViewInputs& inputs);
    // The entry for these inputs, emptied and made if there is none (in place
    // of the least recently used one other than `spare`).
    Entry& EntryFor(std::uint64_t setUpId, const ViewInputs& inputs, const Entry* spare);
    // Empties the least recently used entries but `target` until `expected`
    // more bytes fit with what the rest keep; returns what is left for them.
    std::size_t MakeRoom(const Entry& target, std::size_t expected);
    // The values per light a view of `pixels` pixels and `lights` lights,
    // drawn with `companions` other views, keeps within `budget`.
    static unsigned ValuesPerLightThatFit(const Room& room, std::size_t pixels, unsigned lights, unsigned companions,
                                          std::size_t budget);
    // The workers for a frame composed from kept values whose last frame of
    // its kind cost `nsPerPoint`: one fewer than the pool's when they compose
    // it no slower than the points are drawn.
    unsigned WorkersToCompose(double nsPerPoint) const;

    BandPool& pool;
    Options options;
    Entry entries[Entries];
    unsigned long clock = 0;
    // What drawing a point took the caller in the last frame drawn wholly
    // from kept points, in nanoseconds (0: none yet).
    double drawNsPerPoint = 0.0;
    Made making = Made::Traced;
    // A frame's bands, and what each worker spent on them.
    std::vector<PointList> lists;
    struct alignas(64) WorkerTimes {
        std::vector<std::pair<std::chrono::steady_clock::time_point, std::chrono::steady_clock::time_point>> spans;
        double cpuNs = 0.0;
    };
    std::vector<WorkerTimes> workerTimes;
};

}  // namespace glintwork

#endif
