#ifndef GLINTWORK_BANDWATCH_H
#define GLINTWORK_BANDWATCH_H

#include <atomic>
#include <cstdint>

namespace glintwork {

// What the trace of one band shares with the frame it is part of, between
// batches of pixels: whether the frame is still wanted, and how many pixels
// the thread tracing it has got through. A band whose frame is given up
// stops at its next batch, part-way, and what it made is not to be used.
// Without flags (the default) a band always runs to its end.
class BandWatch {
public:
    BandWatch() = default;
    // `giveUp` is raised by the frame's owner; `pixels` is written by the
    // tracing thread alone (each thread has its own) and read by anyone.
    BandWatch(const std::atomic<bool>& giveUp, std::atomic<std::uint64_t>& pixels) : giveUp(&giveUp), pixels(&pixels)
    {
    }

    bool GivenUp() const { return giveUp && giveUp->load(std::memory_order_relaxed); }
    void Traced(unsigned count) const
    {
        if (pixels)
            pixels->store(pixels->load(std::memory_order_relaxed) + count, std::memory_order_relaxed);
    }

private:
    const std::atomic<bool>* giveUp = nullptr;
    std::atomic<std::uint64_t>* pixels = nullptr;
};

}  // namespace glintwork

#endif
