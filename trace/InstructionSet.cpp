#include "trace/InstructionSet.h"

#include <atomic>
#include <cstring>

namespace {

constexpr InstructionSet Sets[] = {InstructionSet::Plain, InstructionSet::Avx2, InstructionSet::Avx512};
static_assert(sizeof Sets / sizeof Sets[0] == sizeof InstructionSetNames / sizeof InstructionSetNames[0],
              "a name for every set");

bool Supported(InstructionSet set)
{
    switch (set) {
    case InstructionSet::Plain:
        return true;
    case InstructionSet::Avx2:
        return __builtin_cpu_supports("avx2");
    case InstructionSet::Avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
}

// -1: nothing selected yet, the widest is used.
std::atomic<int> selected{-1};

}  // namespace

bool SelectInstructionSet(const char* name)
{
    for (std::size_t i = 0; i < sizeof Sets / sizeof Sets[0]; ++i) {
        if (name && std::strcmp(name, InstructionSetNames[i]) == 0) {
            __builtin_cpu_init();
            const InstructionSet set = Supported(Sets[i]) ? Sets[i] : BestInstructionSet();
            selected.store(static_cast<int>(set));
            return true;
        }
    }
    return false;
}

InstructionSet BestInstructionSet()
{
    __builtin_cpu_init();
    if (Supported(InstructionSet::Avx512))
        return InstructionSet::Avx512;
    if (Supported(InstructionSet::Avx2))
        return InstructionSet::Avx2;
    return InstructionSet::Plain;
}

InstructionSet ChosenInstructionSet()
{
    const int set = selected.load(std::memory_order_relaxed);
    if (set >= 0)
        return static_cast<InstructionSet>(set);
    static const InstructionSet best = BestInstructionSet();
    return best;
}

const char* InstructionSetName(InstructionSet set)
{
    for (std::size_t i = 0; i < sizeof Sets / sizeof Sets[0]; ++i) {
        if (Sets[i] == set)
            return InstructionSetNames[i];
    }
    return "plain";
}
