#ifndef GLINTWORK_BANDPOOL_H
#define GLINTWORK_BANDPOOL_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "trace/tracers/BandWatch.h"
#include "trace/tracers/PointList.h"
#include "trace/tracers/TraceScratch.h"

namespace glintwork {

// A fixed set of worker threads that trace the bands of one frame. Bands are
// handed out in rising order; the calling thread takes each finished band in
// order as soon as it is ready (to draw it while later bands are still being
// traced), and meanwhile stays free to look at its input. Each worker owns
// what it traces with: its scratch and the list it plots a band into.
class BandPool {
public:
    // How often, while it waits for a band, the calling thread asks whether
    // to go on.
    static constexpr int PollMilliseconds = 20;

    explicit BandPool(unsigned threads);
    ~BandPool();
    BandPool(const BandPool&) = delete;
    BandPool& operator=(const BandPool&) = delete;

    unsigned Threads() const { return threads; }
    // Worker `worker`'s scratch and point list, for the job it runs.
    TraceScratch& Scratch(unsigned worker) { return own[worker]->scratch; }
    PointList& Points(unsigned worker) { return own[worker]->points; }
    // What worker `worker`'s band watches: the run's being given up, and
    // the worker's count of pixels.
    BandWatch Watch(unsigned worker) { return BandWatch(givingUp, own[worker]->pixels); }
    // The pixels the jobs of the run under way (or of the last one) have
    // told their watches they got through; any thread may ask.
    std::uint64_t Progress() const;

    // job(worker, band) runs for band = 0 .. bands - 1, `worker` being the
    // index (below Threads()) of the thread that runs it; consume(band) runs
    // on the calling thread, in band order, after that band's job finished.
    // keepGoing (when given) runs on the calling thread before each band is
    // taken and every PollMilliseconds while it waits for one, while no band
    // can start or end; once it returns false the frame is cancelled: no
    // band is started any more, no band is consumed any more, and the bands
    // under way are given up through their watches (Watch), so that the
    // cancelled run ends within a batch of pixels.
    // Only the first `workers` threads (all for 0, at least one) take bands
    // in this run; the others rest.
    // Returns when every job started has ended (and, unless cancelled, every
    // consume has run): true for a whole frame, false for a cancelled one.
    bool Run(unsigned bands, const std::function<void(unsigned worker, unsigned band)>& job,
             const std::function<void(unsigned band)>& consume, const std::function<bool()>& keepGoing = {},
             unsigned workers = 0);

    // Called from `consume` during a Run: from now on until the Run ends, no
    // band is started more than `bands` (at least 1) past the last band
    // consumed, so that finished bands wait for the caller in a bounded
    // number. Every Run starts without that bound.
    void BoundAhead(unsigned bands);

private:
    void Work(unsigned worker);

    // What one worker writes while it traces, on cache lines of its own, so
    // that threads never write to a line another one is writing.
    struct Own {
        TraceScratch scratch;
        PointList points;
        std::atomic<std::uint64_t> pixels{0};
    };

    const unsigned threads;
    std::vector<std::unique_ptr<Own>> own;
    std::vector<std::thread> pool;
    std::mutex mutex;
    std::condition_variable wake;      // workers wait for a frame
    std::condition_variable finished;  // the caller waits for bands
    std::condition_variable room;      // workers wait for the caller to catch up
    const std::function<void(unsigned, unsigned)>* currentJob = nullptr;
    unsigned generation = 0;
    unsigned bandCount = 0;
    unsigned activeWorkers = 0;  // the workers that take bands in this run
    unsigned nextBand = 0;
    unsigned busyWorkers = 0;
    unsigned consumed = 0;  // bands the caller has taken
    unsigned maxAhead = 0;  // 0: no bound
    std::vector<char> bandDone;
    std::atomic<bool> givingUp{false};  // the run is cancelled: bands under way stop
    bool stopping = false;
};

// The number of tracing threads for a count asked for: that count, or for 0
// the number of processors.
unsigned TracingThreads(unsigned asked);

}  // namespace glintwork

#endif
