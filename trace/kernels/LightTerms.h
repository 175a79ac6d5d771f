#ifndef GLINTWORK_LIGHTTERMS_H
#define GLINTWORK_LIGHTTERMS_H

#include <cmath>

#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/LibraryPow.h"

namespace glintwork {

// The specular power base^exponent, by the C library's pow (LibraryPow). A
// base of +0 (a highlight clamped away: the half vector faces from the
// surface, as it does for most lights where a sphere blocks one) with a
// positive exponent is +0 whatever the exponent, pow's own answer, so the
// call is skipped.
inline double SpecularPower(double base, double exponent)
{
    if (base == 0.0 && !std::signbit(base) && exponent > 0.0)
        return 0.0;
    return LibraryPow(base, exponent);
}

// SpecularPower where a base in [0, cutoff) (SpecularCutoff, for the term's
// products and this exponent) is a power that cannot change the term: 0
// there, with no call.
inline double SpecularPowerSeen(double base, double exponent, double cutoff)
{
    return base < cutoff && base >= 0.0 ? 0.0 : SpecularPower(base, exponent);
}

}  // namespace glintwork

#endif
