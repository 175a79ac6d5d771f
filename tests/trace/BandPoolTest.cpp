#include "trace/kept/BandPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

namespace glintwork {

// A frame cancelled while the caller waits stops at once: the bands under
// way are given up through their watches, every started band has ended when
// Run returns, and the next frame is whole, its watches clear and its
// progress counted afresh.
TEST(BandPool, ACancelledFrameStopsAtOnceAndTheNextOneIsWhole)
{
    for (unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE(threads);
        BandPool pool(threads);
        std::mutex mutex;
        std::vector<unsigned> started, ended, consumed;
        std::atomic<unsigned> givenUp{0};

        // Every band after the first runs until it is given up, a pixel a turn.
        const auto job = [&](unsigned worker, unsigned band) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                started.push_back(band);
            }
            const BandWatch watch = pool.Watch(worker);
            watch.Traced(1);
            while (band > 0 && !watch.GivenUp()) {
                watch.Traced(1);
                std::this_thread::yield();
            }
            givenUp += watch.GivenUp() ? 1 : 0;
            std::lock_guard<std::mutex> lock(mutex);
            ended.push_back(band);
        };
        const auto consume = [&](unsigned band) { consumed.push_back(band); };
        // Cancelled once band 0 is drawn and the bands after it are under way.
        const auto keepGoing = [&] { return consumed.empty() || pool.Progress() < 1 + 2 * threads; };
        EXPECT_FALSE(pool.Run(12, job, consume, keepGoing));
        EXPECT_EQ(consumed, std::vector<unsigned>{0});
        EXPECT_LE(started.size(), 1 + threads);  // the first band, then one waiting band a thread
        EXPECT_EQ(started.size(), ended.size());
        EXPECT_EQ(givenUp.load(), started.size() - 1);

        consumed.clear();
        started.clear();
        givenUp = 0;
        const auto quick = [&](unsigned worker, unsigned) {
            pool.Watch(worker).Traced(10);
            givenUp += pool.Watch(worker).GivenUp() ? 1 : 0;
        };
        EXPECT_TRUE(pool.Run(12, quick, consume, [] { return true; }));
        std::vector<unsigned> all(12);
        std::iota(all.begin(), all.end(), 0u);
        EXPECT_EQ(consumed, all);
        EXPECT_EQ(givenUp.load(), 0u);
        EXPECT_EQ(pool.Progress(), 120u);
    }
}

// Once bounded, no band starts more than `ahead` past the last consumed; all
// still run once, in order. Bands past `boundFrom` wait for the bound (so at
// most one a worker was taken before it); the slow caller lets the workers
// run far ahead without it.
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
        std::iota(inOrder.begin(), inOrder.end(), 0u);
        EXPECT_EQ(order, inOrder);
    }
}

// A run for fewer workers than the pool has leaves the others resting: every
// band is traced by one of the first `workers` (each band sleeps a little, so
// a resting worker that took bands would get some), and all of them still
// run, once each, in order.
TEST(BandPool, ARunForFewerWorkersLeavesTheOthersResting)
{
    constexpr unsigned bands = 24;
    struct Case {
        unsigned threads, workers, most;  // `most`: the highest worker index allowed
    };
    for (const Case c : {Case{3, 1, 0}, Case{3, 2, 1}, Case{2, 1, 0}, Case{2, 0, 1}, Case{2, 5, 1}}) {
        SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.workers << " workers");
        BandPool pool(c.threads);
        std::mutex mutex;
        std::vector<int> worker(bands, -1);
        std::vector<unsigned> order;
        const auto job = [&](unsigned w, unsigned band) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::lock_guard<std::mutex> lock(mutex);
            worker[band] = static_cast<int>(w);
        };
        EXPECT_TRUE(pool.Run(
            bands, job, [&](unsigned band) { order.push_back(band); }, {}, c.workers));
        std::vector<unsigned> inOrder(bands);
        std::iota(inOrder.begin(), inOrder.end(), 0u);
        EXPECT_EQ(order, inOrder);
        for (unsigned b = 0; b < bands; ++b) {
            EXPECT_GE(worker[b], 0) << "band " << b;
            EXPECT_LE(worker[b], static_cast<int>(c.most)) << "band " << b;
        }
    }
}

}  // namespace glintwork
