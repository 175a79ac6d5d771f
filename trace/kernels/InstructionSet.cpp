#include "trace/kernels/InstructionSet.h"

#include <hwy/targets.h>

#include <atomic>
#include <cstdint>
#include <cstring>

namespace glintwork {

namespace {

// Highway's targets for each name: "plain" is the one-lane target, or the
// portable one of 128 bits where the compiler builds that instead.
constexpr std::int64_t Targets[] = {HWY_SCALAR | HWY_EMU128, HWY_SSE4, HWY_AVX2, HWY_AVX3};
constexpr std::size_t Sets = sizeof Targets / sizeof Targets[0];
static_assert(Sets == sizeof InstructionSetNames / sizeof InstructionSetNames[0], "a name for every set");

// The processor's targets that this build has, before any selection.
std::int64_t Available()
{
    static const std::int64_t available = [] {
        hwy::DisableTargets(0);
        return hwy::SupportedTargets() & (HWY_TARGETS);
    }();
    return available;
}

int Index(const char* name)
{
    for (std::size_t i = 0; name && i < Sets; ++i) {
        if (std::strcmp(name, InstructionSetNames[i]) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

// The set in use: -1 for the widest.
std::atomic<int> selected{-1};

}  // namespace

bool SelectInstructionSet(const char* name)
{
    const int i = Index(name);
    if (i < 0)
        return false;
    std::int64_t target = Available() & Targets[i];
    if (target & HWY_SCALAR)
        target = HWY_SCALAR;
    // Highway dispatches to the best target it is left, the one of the lowest
    // bit: every better one is disabled (none, for the widest).
    hwy::DisableTargets(target != 0 ? target - 1 : 0);
    selected.store(target != 0 ? i : -1);
    return true;
}

bool InstructionSetAvailable(const char* name)
{
    const int i = Index(name);
    return i >= 0 && (Available() & Targets[i]) != 0;
}

const char* ChosenInstructionSetName()
{
    const int i = selected.load();
    if (i >= 0)
        return InstructionSetNames[i];
    for (std::size_t n = Sets; n-- > 0;) {
        if (Available() & Targets[n])
            return InstructionSetNames[n];
    }
    return InstructionSetNames[0];
}

}  // namespace glintwork
