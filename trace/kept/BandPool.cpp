#include "trace/kept/BandPool.h"

#include <algorithm>
#include <chrono>

namespace glintwork {

BandPool::BandPool(unsigned threadCount) : threads(threadCount == 0 ? 1 : threadCount)
{
    // Even one tracing thread is a thread of its own: the caller waits,
    // draws finished bands and watches its input.
    own.reserve(threads);
    pool.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        own.push_back(std::make_unique<Own>());
        pool.emplace_back(&BandPool::Work, this, i);
    }
}

BandPool::~BandPool()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& t : pool)
        t.join();
}

bool BandPool::Run(unsigned bands, const std::function<void(unsigned, unsigned)>& job,
                   const std::function<void(unsigned)>& consume, const std::function<bool()>& keepGoing,
                   unsigned workers)
{
    std::unique_lock<std::mutex> lock(mutex);
    currentJob = &job;
    bandCount = bands;
    activeWorkers = workers == 0 ? threads : std::min(workers, threads);
    nextBand = 0;
    consumed = 0;
    maxAhead = 0;
    bandDone.assign(bands, 0);
    givingUp.store(false, std::memory_order_relaxed);
    for (const std::unique_ptr<Own>& o : own)
        o->pixels.store(0, std::memory_order_relaxed);
    busyWorkers = threads;
    ++generation;
    wake.notify_all();

    bool cancelled = false;
    for (unsigned b = 0; b < bands && !cancelled; ++b) {
        const auto ready = [&] { return bandDone[b] != 0; };
        if (!keepGoing) {
            finished.wait(lock, ready);
        } else {
            // keepGoing runs with the pool held, so that once it has said
            // no, no band can start.
            cancelled = !keepGoing();
            while (!cancelled && !finished.wait_for(lock, std::chrono::milliseconds(PollMilliseconds), ready))
                cancelled = !keepGoing();
        }
        if (cancelled)
            break;
        lock.unlock();
        consume(b);
        lock.lock();
        consumed = b + 1;
        if (maxAhead != 0)
            room.notify_all();
    }
    if (cancelled) {
        nextBand = bandCount;  // the workers start nothing more
        givingUp.store(true, std::memory_order_relaxed);
        room.notify_all();
    }
    // Wait until the workers are back at rest so that the next frame cannot
    // meet one of them still looking at this frame's state.
    finished.wait(lock, [&] { return busyWorkers == 0; });
    currentJob = nullptr;
    return !cancelled;
}

void BandPool::Work(unsigned worker)
{
    unsigned seen = 0;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [&] { return stopping || generation != seen; });
        if (stopping)
            return;
        seen = generation;
        while (worker < activeWorkers && nextBand < bandCount) {
            if (maxAhead != 0 && nextBand >= consumed + maxAhead) {
                room.wait(lock);
                continue;
            }
            const unsigned band = nextBand++;
            lock.unlock();
            (*currentJob)(worker, band);
            lock.lock();
            bandDone[band] = 1;
            // The caller waits only for the band after those it took, and
            // looks at every band's flag under the lock before it waits: a
            // band finished ahead of that one needs no wake-up.
            if (band == consumed)
                finished.notify_all();
        }
        --busyWorkers;
        if (busyWorkers == 0)
            finished.notify_all();
    }
}

std::uint64_t BandPool::Progress() const
{
    std::uint64_t pixels = 0;
    for (const std::unique_ptr<Own>& o : own)
        pixels += o->pixels.load(std::memory_order_relaxed);
    return pixels;
}

void BandPool::BoundAhead(unsigned bands)
{
    std::lock_guard<std::mutex> lock(mutex);
    maxAhead = bands == 0 ? 1 : bands;
}

unsigned TracingThreads(unsigned asked)
{
    if (asked > 0)
        return asked;
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

}  // namespace glintwork
