#ifndef GLINTWORK_BANDTRACER_H
#define GLINTWORK_BANDTRACER_H

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

#include "trace/kept/BandPool.h"
#include "trace/kept/KeptViews.h"
#include "trace/tracers/PointList.h"

namespace glintwork {

// Traces one tracer's frame on the threads of a BandPool: every worker traces
// bands of rows with a copy of the tracer, each band into a list of its own.
// The bands, taken in row order, give exactly the point list one thread would
// give, so every tie between points of equal depth is resolved the same way.
// `Tracer` is a tracer class with RenderRows(begin, end, list).
template <typename Tracer> class BandTracer {
public:
    static constexpr unsigned RowsPerBand = 8;

    explicit BandTracer(BandPool& pool) : pool(pool), workers(pool.Threads()) {}

    // At most this many bytes of a frame's point lists are kept for Bands().
    // Once a frame's lists go over it, every band is dropped as soon as it is
    // consumed, and tracing runs at most a few bands ahead of the consumer:
    // a frame of any size then holds a few bands' points at a time.
    std::size_t keepBytes = SIZE_MAX;

    // What drawing a point costs the caller, in nanoseconds (a frame drawn
    // from kept points alone, over its points), or 0 when unknown. A frame
    // composed from kept values runs on one worker fewer (at least one) when
    // the view's last frame of its kind (after a move, or reused) shows that
    // they still compose it no slower than it is drawn: the frame waits for
    // its drawing either way, and the processor left over goes to that. A
    // full trace runs on every worker.
    double drawNsPerPoint = 0.0;

    // Traces `tracer`'s current frame (the tracer itself is left untouched)
    // and hands each band to `consume` in row order as soon as it is ready.
    // With `kept` (the view's slot for the tracer's set-up and eye), plane
    // points come from the values kept there when it holds them, and are
    // kept there otherwise. Returns the milliseconds from the start of the
    // first band's trace to the end of the last one's (0 when no band was
    // traced, as in a frame cancelled before its first). `keepGoing` is the
    // pool's (BandPool::Run): when it cancels the frame, Cancelled() is true
    // afterwards, the bands are incomplete and `kept` is emptied.
    double Render(const Tracer& tracer, const std::function<void(const PointList&)>& consume, KeptView* kept = nullptr,
                  const std::function<bool()>& keepGoing = {})
    {
        using Clock = std::chrono::steady_clock;
        for (Worker& w : workers)
            w.tracer = tracer;  // state only: each copy keeps its own points
        const unsigned rows = tracer.rows;
        const unsigned bands = (rows + RowsPerBand - 1) / RowsPerBand;
        const KeepMode mode = kept ? ModeFor(*kept, tracer, bands) : KeepMode::Off;
        renderMode = mode;
        // A band keeps at most two plane points a pixel.
        const unsigned perLight = mode == KeepMode::Record ? kept->valuesPerLight : 0;
        const std::size_t maxValues = 2 * std::size_t(RowsPerBand) * tracer.columns *
                                      KeptView::PointValues(std::size_t(perLight) * tracer.lightCount);
        lists.resize(bands);
        for (Worker& w : workers) {
            w.spans.clear();
            w.cpuNs = 0.0;
        }
        std::size_t listBytes = 0, points = 0;
        keptAll = true;
        const bool composing = mode == KeepMode::Compose || mode == KeepMode::Reuse;
        lastWorkers = composing ? WorkersToCompose(CostOf(*kept, mode)) : pool.Threads();
        cancelled = !pool.Run(
            bands,
            [&](unsigned worker, unsigned band) {
                const Clock::time_point start = Clock::now();
                // Only a composition's processor time is kept (CostOf).
                const double startCpu = composing ? ThreadCpuNs() : 0.0;
                Worker& w = workers[worker];
                w.points.clear();
                const unsigned begin = band * RowsPerBand;
                w.tracer.StartKeeping(mode != KeepMode::Off ? &kept->bands[band] : nullptr, mode, maxValues, perLight);
                if (composing)
                    w.tracer.ComposeKeptRows(w.points);
                else
                    w.tracer.RenderRows(begin, std::min(rows, begin + RowsPerBand), w.points);
                if (mode == KeepMode::Record && w.tracer.Keeping() == KeepMode::Record)
                    kept->bands[band].complete = true;
                lists[band].swap(w.points);
                w.spans.emplace_back(start, Clock::now());
                if (composing)
                    w.cpuNs += ThreadCpuNs() - startCpu;
            },
            [&](unsigned band) {
                consume(lists[band]);
                points += lists[band].size();
                if (keptAll) {
                    listBytes += lists[band].capacity() * sizeof(PlotRecord);
                    if (listBytes <= keepBytes)
                        return;
                    keptAll = false;
                    pool.BoundAhead(AheadPerThread * pool.Threads());
                    for (unsigned b = 0; b < band; ++b)
                        PointList().swap(lists[b]);
                }
                PointList().swap(lists[band]);
            },
            keepGoing, lastWorkers);
        if (kept && cancelled) {
            Forget(*kept);
        } else if (kept) {
            Kept(*kept, tracer, mode);
            if (composing && points != 0) {
                double cpuNs = 0.0;
                for (const Worker& w : workers)
                    cpuNs += w.cpuNs;
                CostOf(*kept, mode) = cpuNs / static_cast<double>(points);
            }
        }
        // No band at all, or a frame cancelled before its first band started:
        // no time.
        bool traced = false;
        Clock::time_point first = Clock::time_point::max(), last = Clock::time_point::min();
        for (const Worker& w : workers) {
            for (const auto& span : w.spans) {
                traced = true;
                first = std::min(first, span.first);
                last = std::max(last, span.second);
            }
        }
        return traced ? std::chrono::duration<double, std::milli>(last - first).count() : 0.0;
    }

    // The bands of the last frame, in row order. The caller may swap them out
    // (for vectors of its own, whose capacity is then reused). When the frame
    // went over keepBytes they are empty: BandsKept() says which.
    std::vector<PointList>& Bands() { return lists; }
    bool BandsKept() const { return keptAll; }

    // Whether the last Render was cancelled before its last band.
    bool Cancelled() const { return cancelled; }

    // The workers that took bands in the last Render.
    unsigned LastWorkers() const { return lastWorkers; }

    // How the Render under way (or the last one) uses the view's kept values.
    KeepMode Mode() const { return renderMode; }

private:
    // The workers for a frame composed from kept values whose last frame of
    // its kind cost `nsPerPoint`: one fewer than the pool's when they compose
    // it no slower than the caller draws it.
    unsigned WorkersToCompose(double nsPerPoint) const
    {
        const unsigned all = pool.Threads();
        const bool keepUp =
            all > 1 && drawNsPerPoint > 0.0 && nsPerPoint > 0.0 && nsPerPoint <= (all - 1) * drawNsPerPoint;
        return keepUp ? all - 1 : all;
    }

    // What the view's last frame made as this one is (Compose or Reuse) cost.
    static double& CostOf(KeptView& kept, KeepMode mode)
    {
        return mode == KeepMode::Compose ? kept.movedNsPerPoint : kept.reusedNsPerPoint;
    }

    // The processor time the calling thread has taken, in nanoseconds.
    static double ThreadCpuNs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return 1e9 * static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec);
    }

    static bool SameSpheres(const KeptView& kept, const Tracer& tracer)
    {
        return kept.sphereCount == tracer.sphereCount &&
               std::memcmp(kept.centres, tracer.sphereCentres, sizeof kept.centres[0] * kept.sphereCount) == 0;
    }

    static KeepMode ModeFor(KeptView& kept, const Tracer& tracer, unsigned bands)
    {
        switch (kept.state) {
        case KeptView::State::Kept:
            return SameSpheres(kept, tracer) ? KeepMode::Reuse : KeepMode::Compose;
        case KeptView::State::TooLarge:
            return KeepMode::Off;
        case KeptView::State::Empty:
            break;
        }
        const std::size_t pixels = std::size_t(tracer.rows) * tracer.columns;
        if (KeptView::ExpectedBytes(pixels) > kept.budgetBytes) {
            kept.state = KeptView::State::TooLarge;
            return KeepMode::Off;
        }
        // Light values only where the views drawn with this one still fit
        // without them: else the pair's two eyes would empty each other's
        // slots at every frame.
        kept.valuesPerLight = kept.ValuesPerLightThatFit(pixels, tracer.lightCount, kept.budgetBytes);
        kept.bands.resize(bands);
        return KeepMode::Record;
    }

    // After a frame: what the view's slot now holds.
    static void Kept(KeptView& kept, const Tracer& tracer, KeepMode mode)
    {
        if (mode == KeepMode::Record) {
            bool complete = true;
            for (const KeptBand& b : kept.bands)
                complete = complete && b.complete;
            kept.state =
                complete && kept.Bytes() <= kept.budgetBytes ? KeptView::State::Kept : KeptView::State::TooLarge;
            if (kept.state == KeptView::State::TooLarge && kept.valuesPerLight != 0) {
                // With fewer light values it may fit: tried at the next frame.
                kept.state = KeptView::State::Empty;
                kept.maxValuesPerLight = kept.valuesPerLight - 1;
            }
            if (kept.state != KeptView::State::Kept)
                kept.bands = std::vector<KeptBand>();
        }
        kept.sphereCount = tracer.sphereCount;
        std::memcpy(kept.centres, tracer.sphereCentres, sizeof kept.centres[0] * tracer.sphereCount);
    }

    // After a cancelled frame some bands hold values for the new inputs and
    // some for the old: the slot starts again from nothing.
    static void Forget(KeptView& kept)
    {
        kept.state = KeptView::State::Empty;
        kept.bands = std::vector<KeptBand>();
    }

    // What one thread writes while it traces, on cache lines of its own: its
    // tracer's working values and the list it plots into (handed over to the
    // band when the band is done), so that threads never write to a line
    // another one is writing.
    struct alignas(64) Worker {
        Tracer tracer;
        PointList points;
        std::vector<std::pair<std::chrono::steady_clock::time_point, std::chrono::steady_clock::time_point>> spans;
        double cpuNs = 0.0;  // processor time of this frame's bands
    };

    // Bands a worker may trace ahead of the consumer in a frame over keepBytes.
    static constexpr unsigned AheadPerThread = 2;

    BandPool& pool;
    std::vector<Worker> workers;
    std::vector<PointList> lists;
    bool keptAll = true;
    bool cancelled = false;
    unsigned lastWorkers = 0;
    KeepMode renderMode = KeepMode::Off;
};

}  // namespace glintwork

#endif
