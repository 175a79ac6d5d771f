#include "trace/kernels/LibraryPow.h"

#include <dlfcn.h>

#include <cmath>

namespace glintwork {

namespace {

double StandardPow(double base, double exponent)
{
    return std::pow(base, exponent);
}

// The library's own name and version for pow without errno. The lookup runs
// the library's choice of implementation for this processor, the same one
// its pow calls.
PowFunction FindEntry()
{
    if (void* entry = dlvsym(RTLD_DEFAULT, "__pow_finite", "GLIBC_2.15"))
        return reinterpret_cast<PowFunction>(entry);
    return StandardPow;
}

double FirstPow(double base, double exponent)
{
    const PowFunction entry = FindEntry();
    libraryPowEntry.store(entry, std::memory_order_relaxed);
    return entry(base, exponent);
}

}  // namespace

// Constant-initialised, so that a call before any dynamic initialisation
// finds the entry too.
std::atomic<PowFunction> libraryPowEntry{FirstPow};

}  // namespace glintwork
