#include "trace/kept/KeptViews.h"

#include <algorithm>
#include <ctime>

#include "trace/tracers/RoomTracer.h"

namespace glintwork {

namespace {

using Clock = std::chrono::steady_clock;

// The processor time the calling thread has taken, in nanoseconds.
double ThreadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1e9 * static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec);
}

std::size_t PointsBytes(const std::vector<PointList>& bands)
{
    std::size_t n = 0;
    for (const PointList& band : bands)
        n += band.capacity() * sizeof(PlotRecord);
    return n;
}

// Bands a worker may trace ahead of the drawing in a frame whose points are
// not kept.
constexpr unsigned AheadPerThread = 2;

}  // namespace

KeptViews::KeptViews(BandPool& pool) : KeptViews(pool, Options()) {}

KeptViews::KeptViews(BandPool& pool, const Options& options)
    : pool(pool), options(options), workerTimes(pool.Threads())
{
}

void KeptViews::SetOptions(const Options& newOptions)
{
    options = newOptions;
    MakeRoom(Entry(), 0);
}

std::size_t KeptViews::Room::Bytes() const
{
    std::size_t n = 0;
    for (const KeptBand& band : bands)
        n += band.Bytes();
    return n;
}

std::size_t KeptViews::Entry::Bytes() const
{
    return (hasRoom ? room.Bytes() : 0) + (hasPoints ? PointsBytes(points) : 0);
}

std::size_t KeptViews::ExpectedBytes(std::size_t pixels, std::size_t lightValues)
{
    return pixels * (sizeof(Vec3) + sizeof(std::uint32_t) + KeptBand::PointValues(lightValues) * sizeof(double) +
                     2 * sizeof(PlotRecord) + 4);
}

unsigned KeptViews::ValuesPerLightThatFit(const Room& room, std::size_t pixels, unsigned lights, unsigned companions,
                                          std::size_t budget)
{
    for (unsigned values = room.maxValuesPerLight; values > 0; --values) {
        if (ExpectedBytes(pixels, std::size_t(values) * lights) + companions * ExpectedBytes(pixels) <= budget)
            return values;
    }
    return 0;
}

KeptViews::Entry* KeptViews::Find(std::uint64_t setUpId, const ViewInputs& inputs)
{
    for (Entry& e : entries) {
        if (e.used && e.setUpId == setUpId && e.inputs == inputs)
            return &e;
    }
    return nullptr;
}

KeptViews::Entry* KeptViews::FindRoom(std::uint64_t setUpId, const ViewInputs& inputs)
{
    for (Entry& e : entries) {
        if (e.used && e.hasRoom && e.setUpId == setUpId && e.inputs.SameRoom(inputs))
            return &e;
    }
    return nullptr;
}

KeptViews::Entry& KeptViews::EntryFor(std::uint64_t setUpId, const ViewInputs& inputs, const Entry* spare)
{
    if (Entry* found = Find(setUpId, inputs))
        return *found;
    Entry* target = nullptr;
    for (Entry& e : entries) {
        if (&e == spare)
            continue;
        if (!e.used) {
            target = &e;
            break;
        }
        if (!target || e.lastUse < target->lastUse)
            target = &e;
    }
    *target = Entry();
    target->used = true;
    target->setUpId = setUpId;
    target->inputs = inputs;
    return *target;
}

std::size_t KeptViews::MakeRoom(const Entry& target, std::size_t expected)
{
    for (;;) {
        std::size_t others = 0;
        Entry* oldest = nullptr;
        for (Entry& e : entries) {
            if (&e == &target || !e.used)
                continue;
            others += e.Bytes();
            if (!oldest || e.lastUse < oldest->lastUse)
                oldest = &e;
        }
        if (others + expected <= options.budgetBytes || !oldest)
            return others < options.budgetBytes ? options.budgetBytes - others : 0;
        *oldest = Entry();
    }
}

unsigned KeptViews::WorkersToCompose(double nsPerPoint) const
{
    const unsigned all = pool.Threads();
    const bool keepUp =
        all > 1 && drawNsPerPoint > 0.0 && nsPerPoint > 0.0 && nsPerPoint <= (all - 1) * drawNsPerPoint;
    return keepUp ? all - 1 : all;
}

KeptViews::Planes KeptViews::PlanesFor(const RoomSetUp& setUp, const ViewInputs& inputs) const
{
    for (const Entry& e : entries) {
        if (e.used && e.hasRoom && e.setUpId == setUp.Id() && e.inputs.SameRoom(inputs))
            return e.room.state == Room::State::Kept       ? Planes::Kept
                   : e.room.state == Room::State::TooLarge ? Planes::TooLarge
                                                           : Planes::None;
    }
    return Planes::None;
}

std::size_t KeptViews::Bytes() const
{
    std::size_t n = 0;
    for (const Entry& e : entries)
        n += e.used ? e.Bytes() : 0;
    return n;
}

void KeptViews::Clear()
{
    for (Entry& e : entries)
        e = Entry();
}

KeptViews::Frame KeptViews::Draw(const RoomSetUp& setUp, const ViewInputs& inputs,
                                 const std::function<void(const PointList&)>& draw,
                                 const std::function<bool()>& keepGoing)
{
    Frame frame;
    const std::uint64_t id = setUp.Id();

    // The same inputs as a view drawn before: its points again.
    if (Entry* kept = options.reusePoints ? Find(id, inputs) : nullptr) {
        if (kept->hasPoints) {
            kept->lastUse = ++clock;
            frame.made = making = Made::FromKeptPoints;
            double drawNs = 0.0;
            for (const PointList& band : kept->points) {
                const Clock::time_point start = Clock::now();
                draw(band);
                drawNs += std::chrono::duration<double, std::nano>(Clock::now() - start).count();
                frame.points += band.size();
            }
            if (frame.points != 0)
                drawNsPerPoint = drawNs / static_cast<double>(frame.points);
            return frame;
        }
    }

    // Else the plane values of the same set-up, eye and kind of view, or
    // room for them.
    const unsigned rows = setUp.Rows();
    const unsigned bands = (rows + RowsPerBand - 1) / RowsPerBand;
    const std::size_t pixels = std::size_t(rows) * setUp.Columns();
    Entry* roomEntry = options.reusePlanes ? FindRoom(id, inputs) : nullptr;
    if (options.reusePlanes && !roomEntry) {
        roomEntry = &EntryFor(id, inputs, nullptr);
        roomEntry->hasRoom = true;
    }
    if (roomEntry)
        roomEntry->lastUse = ++clock;
    Room* room = roomEntry ? &roomEntry->room : nullptr;
    // The views drawn in the same frames besides this one: the pair's other eye.
    const unsigned companions = inputs.kind == ViewInputs::Kind::PairEye ? 1u : 0u;
    bool record = false;
    if (room && room->state == Room::State::Kept) {
        frame.made = inputs.SameSpheres(room->composedFor) ? Made::FromKeptPlanes : Made::Composed;
    } else if (room && room->state == Room::State::Empty) {
        // Light values only where the views drawn with this one still fit
        // without them: else the pair's two eyes would empty each other's
        // entries at every frame.
        const unsigned fit =
            ValuesPerLightThatFit(*room, pixels, setUp.LightCount(), companions, options.budgetBytes);
        room->budgetBytes =
            MakeRoom(*roomEntry, fit != 0 ? ExpectedBytes(pixels, std::size_t(fit) * setUp.LightCount()) +
                                                companions * ExpectedBytes(pixels)
                                          : ExpectedBytes(pixels));
        if (ExpectedBytes(pixels) > room->budgetBytes) {
            room->state = Room::State::TooLarge;
        } else {
            room->valuesPerLight =
                ValuesPerLightThatFit(*room, pixels, setUp.LightCount(), companions, room->budgetBytes);
            room->bands.assign(bands, KeptBand());
            record = true;
        }
    }
    making = frame.made;
    const bool composing = frame.made != Made::Traced;
    const unsigned perLight = record ? room->valuesPerLight : 0;
    // A band keeps at most two plane points a pixel.
    const std::size_t maxValues = 2 * std::size_t(RowsPerBand) * setUp.Columns() *
                                  KeptBand::PointValues(std::size_t(perLight) * setUp.LightCount());
    // What the view's last frame made as this one is cost, and the workers.
    double* cost = !composing ? nullptr : frame.made == Made::Composed ? &room->movedNsPerPoint : &room->reusedNsPerPoint;
    frame.workers = cost ? WorkersToCompose(*cost) : pool.Threads();
    // What this frame's points may take to be kept: the budget less the
    // view's plane values.
    const std::size_t roomBytes = record      ? ExpectedBytes(pixels, std::size_t(perLight) * setUp.LightCount())
                                  : composing ? room->Bytes()
                                              : 0;
    const std::size_t keepLimit = options.budgetBytes - std::min(options.budgetBytes, roomBytes);

    lists.resize(bands);
    for (WorkerTimes& w : workerTimes) {
        w.spans.clear();
        w.cpuNs = 0.0;
    }
    // The bands' lists stay (to be kept, or for their room to be used
    // again) unless they grow past what the view may take.
    std::size_t listBytes = 0;
    bool keptAll = true;
    const bool moved = frame.made == Made::Composed;
    frame.cancelled = !pool.Run(
        bands,
        [&](unsigned worker, unsigned band) {
            const Clock::time_point start = Clock::now();
            // Only a composition's processor time is kept.
            const double startCpu = composing ? ThreadCpuNs() : 0.0;
            PointList& points = pool.Points(worker);
            points.clear();
            RoomTracer tracer(setUp, inputs, pool.Scratch(worker), points, pool.Watch(worker));
            if (composing) {
                // A band given up part-way is not drawn, and the frame keeps
                // nothing (below).
                tracer.ComposeRows(room->bands[band], moved);
            } else {
                const unsigned begin = band * RowsPerBand;
                const BandRecording recording =
                    record ? BandRecording{&room->bands[band], maxValues, perLight} : BandRecording{};
                if (tracer.TraceRows(begin, std::min(rows, begin + RowsPerBand), recording) && record)
                    room->bands[band].complete = true;
            }
            lists[band].swap(points);
            WorkerTimes& w = workerTimes[worker];
            w.spans.emplace_back(start, Clock::now());
            if (composing)
                w.cpuNs += ThreadCpuNs() - startCpu;
        },
        [&](unsigned band) {
            draw(lists[band]);
            frame.points += lists[band].size();
            if (keptAll) {
                listBytes += lists[band].capacity() * sizeof(PlotRecord);
                if (listBytes <= keepLimit)
                    return;
                keptAll = false;
                pool.BoundAhead(AheadPerThread * pool.Threads());
                for (unsigned b = 0; b < band; ++b)
                    PointList().swap(lists[b]);
            }
            PointList().swap(lists[band]);
        },
        keepGoing, frame.workers);

    // No band at all, or a frame cancelled before its first band started: no time.
    bool traced = false;
    Clock::time_point first = Clock::time_point::max(), last = Clock::time_point::min();
    double cpuNs = 0.0;
    for (const WorkerTimes& w : workerTimes) {
        cpuNs += w.cpuNs;
        for (const auto& span : w.spans) {
            traced = true;
            first = std::min(first, span.first);
            last = std::max(last, span.second);
        }
    }
    frame.traceMs = traced ? std::chrono::duration<double, std::milli>(last - first).count() : 0.0;

    if (frame.cancelled) {
        // Some bands hold values for the new inputs and some for the old:
        // the view's plane values start again from nothing.
        if (room) {
            room->state = Room::State::Empty;
            room->bands = std::vector<KeptBand>();
        }
        return frame;
    }
    if (cost && frame.points != 0)
        *cost = cpuNs / static_cast<double>(frame.points);
    if (record) {
        bool complete = true;
        for (const KeptBand& b : room->bands)
            complete = complete && b.complete;
        room->state = complete && room->Bytes() <= room->budgetBytes ? Room::State::Kept : Room::State::TooLarge;
        if (room->state == Room::State::TooLarge && room->valuesPerLight != 0) {
            // With fewer light values it may fit: tried at the next frame.
            room->state = Room::State::Empty;
            room->maxValuesPerLight = room->valuesPerLight - 1;
        }
        if (room->state != Room::State::Kept)
            room->bands = std::vector<KeptBand>();
    }
    if (room && room->state == Room::State::Kept)
        room->composedFor = inputs;

    // The view's plane values and points go with these inputs.
    keptAll = keptAll && options.reusePoints;
    if (!keptAll && !roomEntry)
        return frame;
    Entry& target = EntryFor(id, inputs, roomEntry);
    target.lastUse = ++clock;
    if (roomEntry && roomEntry != &target) {
        target.hasRoom = true;
        target.room = std::move(roomEntry->room);
        roomEntry->hasRoom = false;
        roomEntry->room = Room();
        if (!roomEntry->hasPoints)
            *roomEntry = Entry();
    }
    if (keptAll) {
        target.hasPoints = true;
        target.points.swap(lists);
    }
    if (target.Bytes() > options.budgetBytes) {
        target.hasPoints = false;
        target.points = std::vector<PointList>();
    }
    MakeRoom(target, target.Bytes());
    return frame;
}

}  // namespace glintwork
