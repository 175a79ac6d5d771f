#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "trace/BandPool.h"

// A frame cancelled while the caller waits: the bands consumed are those
// before it, no band starts afterwards, every started one has ended when Run
// returns, and the pool traces the next frame whole.
TEST(BandPool, ACancelledFrameStopsAtOnceAndTheNextOneIsWhole)
{
    for (unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE(threads);
        constexpr unsigned Bands = 12;
        BandPool pool(threads);
        std::mutex mutex;
        std::condition_variable released;
        bool release = false;
        std::vector<unsigned> started, ended, consumed;

        // Every band after the first waits until the frame is cancelled.
        const auto job = [&](unsigned, unsigned band) {
            std::unique_lock<std::mutex> lock(mutex);
            started.push_back(band);
            if (band > 0)
                released.wait(lock, [&] { return release; });
            ended.push_back(band);
        };
        const auto consume = [&](unsigned band) { consumed.push_back(band); };
        const auto keepGoing = [&] {
            if (consumed.empty())
                return true;
            std::lock_guard<std::mutex> lock(mutex);
            release = true;
            released.notify_all();
            return false;
        };
        EXPECT_FALSE(pool.Run(Bands, job, consume, keepGoing));
        EXPECT_EQ(consumed, std::vector<unsigned>{0});
        EXPECT_LE(started.size(), 1 + threads);  // the first band, then one waiting band a thread
        EXPECT_EQ(started.size(), ended.size());

        consumed.clear();
        started.clear();
        EXPECT_TRUE(pool.Run(Bands, job, consume, [] { return true; }));
        ASSERT_EQ(consumed.size(), Bands);
        for (unsigned b = 0; b < Bands; ++b)
            EXPECT_EQ(consumed[b], b);
    }
}
