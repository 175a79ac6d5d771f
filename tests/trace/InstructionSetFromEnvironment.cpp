// The trace tests take GLINTWORK_ISA as glintwork does, so that the tests of
// the fast path's kernels can run with each vector width forced.
#include <cstdio>
#include <cstdlib>

#include "trace/InstructionSet.h"

namespace {

[[maybe_unused]] const bool selected = [] {
    const char* name = std::getenv("GLINTWORK_ISA");
    if (name && *name && !SelectInstructionSet(name)) {
        std::fprintf(stderr, "GLINTWORK_ISA=\"%s\": expected plain, avx2 or avx512\n", name);
        std::exit(2);
    }
    return true;
}();

}  // namespace
