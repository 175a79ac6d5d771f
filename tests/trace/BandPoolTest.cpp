#include "trace/BandPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// Once the caller bounds how far tracing may run ahead, no band starts more
// than that many bands past the last one consumed; every band still runs once
// and is consumed in order. Bands past the one where the bound is set wait
// for it, so that at most one such band a worker was taken before it; the
// caller is slow, so that without the bound the workers would run far ahead.
TEST(BandPool, BoundedRunsStayWithinTheirWindowAndFinish)
{
    const unsigned threads = 3, bands = 120, ahead = 2;
    for (unsigned boundFrom : {0u, 5u, bands}) {
        SCOPED_TRACE(boundFrom);
        BandPool pool(threads);
        std::mutex mutex;
        std::condition_variable boundSet;
        bool bounded = false;
        std::atomic<unsigned> consumed{0}, tooFarAhead{0};
        std::vector<int> runs(bands, 0);
        std::vector<unsigned> order;
        auto job = [&](unsigned, unsigned band) {
            // Bands this far on were taken after the bound was set.
            if (band > boundFrom + threads && band >= consumed + ahead)
                ++tooFarAhead;
            std::unique_lock<std::mutex> lock(mutex);
            boundSet.wait(lock, [&] { return bounded || band <= boundFrom; });
            ++runs[band];
        };
        auto consume = [&](unsigned band) {
            volatile unsigned work = 0;
            for (unsigned i = 0; i < 100000; ++i)
                work = work + i;
            order.push_back(band);
            if (band == boundFrom) {
                pool.BoundAhead(ahead);
                std::lock_guard<std::mutex> lock(mutex);
                bounded = true;
                boundSet.notify_all();
            }
            consumed = band + 1;
        };
        pool.Run(bands, job, consume);
        EXPECT_EQ(tooFarAhead, 0u);
        EXPECT_EQ(runs, std::vector<int>(bands, 1));
        std::vector<unsigned> inOrder(bands);
        for (unsigned b = 0; b < bands; ++b)
            inOrder[b] = b;
        EXPECT_EQ(order, inOrder);
    }
}

}  // namespace
