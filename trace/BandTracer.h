#ifndef GLINTWORK_BANDTRACER_H
#define GLINTWORK_BANDTRACER_H

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "BandPool.h"
#include "PointList.h"

// Traces one tracer's frame on the threads of a BandPool: every worker traces
// bands of rows with a copy of the tracer, each band into a list of its own.
// The bands, taken in row order, give exactly the point list one thread would
// give, so every tie between points of equal depth is resolved the same way.
// `Tracer` is a tracer class with RenderRows(begin, end, list).
template <typename Tracer>
class BandTracer {
public:
    static constexpr unsigned RowsPerBand = 16;

    explicit BandTracer(BandPool& pool) : pool(pool), workers(pool.Threads()) {}

    // Traces `tracer`'s current frame (the tracer itself is left untouched)
    // and hands each band to `consume` in row order as soon as it is ready.
    // Returns the milliseconds from the start of the first band's trace to
    // the end of the last one's.
    double Render(const Tracer& tracer, const std::function<void(const PointList&)>& consume)
    {
        using Clock = std::chrono::steady_clock;
        for (Tracer& w : workers)
            w = tracer;  // state only: each copy keeps its own points
        const unsigned rows = tracer.rows;
        const unsigned bands = (rows + RowsPerBand - 1) / RowsPerBand;
        lists.resize(bands);
        if (spans.size() < bands)
            spans.resize(bands);
        pool.Run(
            bands,
            [&](unsigned worker, unsigned band) {
                spans[band].first = Clock::now();
                PointList& list = lists[band];
                list.clear();
                const unsigned begin = band * RowsPerBand;
                workers[worker].RenderRows(begin, std::min(rows, begin + RowsPerBand), list);
                spans[band].second = Clock::now();
            },
            [&](unsigned band) { consume(lists[band]); });
        if (bands == 0)
            return 0.0;
        Clock::time_point first = spans[0].first, last = spans[0].second;
        for (unsigned b = 1; b < bands; ++b) {
            first = std::min(first, spans[b].first);
            last = std::max(last, spans[b].second);
        }
        return std::chrono::duration<double, std::milli>(last - first).count();
    }

    // The bands of the last frame, in row order. The caller may swap them out
    // (for vectors of its own, whose capacity is then reused).
    std::vector<PointList>& Bands() { return lists; }

private:
    BandPool& pool;
    std::vector<Tracer> workers;
    std::vector<PointList> lists;
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::chrono::steady_clock::time_point>> spans;
};

#endif
