#include "trace/BandPool.h"

#include <cstdlib>

BandPool::BandPool(unsigned threadCount) : threads(threadCount == 0 ? 1 : threadCount)
{
    if (threads > 1) {
        pool.reserve(threads);
        for (unsigned i = 0; i < threads; ++i)
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

void BandPool::Run(unsigned bands, const std::function<void(unsigned, unsigned)>& job,
                   const std::function<void(unsigned)>& consume)
{
    if (pool.empty()) {
        for (unsigned b = 0; b < bands; ++b) {
            job(0, b);
            consume(b);
        }
        return;
    }

    std::unique_lock<std::mutex> lock(mutex);
    currentJob = &job;
    bandCount = bands;
    nextBand = 0;
    consumed = 0;
    maxAhead = 0;
    bandDone.assign(bands, 0);
    busyWorkers = threads;
    ++generation;
    wake.notify_all();

    for (unsigned b = 0; b < bands; ++b) {
        finished.wait(lock, [&] { return bandDone[b] != 0; });
        lock.unlock();
        consume(b);
        lock.lock();
        consumed = b + 1;
        if (maxAhead != 0)
            room.notify_all();
    }
    // Every band is done; wait until the workers are back at rest so that the
    // next frame cannot meet one of them still looking at this frame's state.
    finished.wait(lock, [&] { return busyWorkers == 0; });
    currentJob = nullptr;
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
        while (nextBand < bandCount) {
            if (maxAhead != 0 && nextBand >= consumed + maxAhead) {
                room.wait(lock);
                continue;
            }
            const unsigned band = nextBand++;
            lock.unlock();
            (*currentJob)(worker, band);
            lock.lock();
            bandDone[band] = 1;
            finished.notify_all();
        }
        --busyWorkers;
        if (busyWorkers == 0)
            finished.notify_all();
    }
}

void BandPool::BoundAhead(unsigned bands)
{
    std::lock_guard<std::mutex> lock(mutex);
    maxAhead = bands == 0 ? 1 : bands;
}

unsigned TracingThreads()
{
    if (const char* text = std::getenv("GLINTWORK_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 64)
            return static_cast<unsigned>(n);
    }
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}
