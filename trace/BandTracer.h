#ifndef GLINTWORK_BANDTRACER_H
#define GLINTWORK_BANDTRACER_H

#include <algorithm>
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
    void Render(const Tracer& tracer, const std::function<void(const PointList&)>& consume)
    {
        for (Tracer& w : workers)
            w = tracer;  // state only: each copy keeps its own points
        const unsigned rows = tracer.rows;
        const unsigned bands = (rows + RowsPerBand - 1) / RowsPerBand;
        if (lists.size() < bands)
            lists.resize(bands);
        pool.Run(
            bands,
            [&](unsigned worker, unsigned band) {
                PointList& list = lists[band];
                list.clear();
                const unsigned begin = band * RowsPerBand;
                workers[worker].RenderRows(begin, std::min(rows, begin + RowsPerBand), list);
            },
            [&](unsigned band) { consume(lists[band]); });
    }

private:
    BandPool& pool;
    std::vector<Tracer> workers;
    std::vector<PointList> lists;
};

#endif
