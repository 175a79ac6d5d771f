#ifndef GLINTWORK_LIBRARYPOW_H
#define GLINTWORK_LIBRARYPOW_H

#include <atomic>

namespace glintwork {

// The C library's pow, entered past the wrapper that only sets errno.
//
// pow is the library's computation of the power with a thin wrapper around
// it that sets errno on overflow, underflow and domain errors; the tracer
// never reads errno, yet the wrapper and its second call cost about a sixth
// of every call. The library still exports the computation itself under its
// older name for callers that want no errno. The answer is the same number
// by construction: the wrapper returns what the computation returned. Where
// that entry cannot be found, this is std::pow.
using PowFunction = double (*)(double, double);

// Set on the first call (to the library's entry, or to std::pow).
extern std::atomic<PowFunction> libraryPowEntry;

inline double LibraryPow(double base, double exponent)
{
    return libraryPowEntry.load(std::memory_order_relaxed)(base, exponent);
}

}  // namespace glintwork

#endif
