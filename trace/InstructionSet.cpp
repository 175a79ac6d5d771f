#include "trace/InstructionSet.h"

#include <cstdlib>
#include <cstring>

namespace {

struct NamedSet {
    const char* name;
    InstructionSet set;
};

constexpr NamedSet Names[] = {
    {"plain", InstructionSet::Plain},
    {"avx2", InstructionSet::Avx2},
    {"avx512", InstructionSet::Avx512},
};

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

InstructionSet Choose()
{
    const InstructionSet best = BestInstructionSet();
    const char* asked = std::getenv("GLINTWORK_ISA");
    if (!asked)
        return best;
    for (const NamedSet& n : Names) {
        if (std::strcmp(asked, n.name) == 0)
            return Supported(n.set) ? n.set : best;
    }
    return best;
}

}  // namespace

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
    static const InstructionSet chosen = Choose();
    return chosen;
}

const char* InstructionSetName(InstructionSet set)
{
    for (const NamedSet& n : Names) {
        if (n.set == set)
            return n.name;
    }
    return "plain";
}
