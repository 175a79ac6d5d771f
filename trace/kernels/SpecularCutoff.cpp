#include "trace/kernels/SpecularCutoff.h"

#include <cmath>
#include <cstdint>

namespace glintwork {

namespace {

// A quarter of the last place of a positive normal number.
double QuarterLastPlace(double x)
{
    return std::ldexp(1.0, std::ilogb(x) - 54);
}

// An upper bound of base^k and of pow's answer for it, for 0 <= base < 1 and
// k >= 1, or infinity where the squares leave the normal range (their rounding
// is then no longer bounded by a factor).
double PowerBound(double base, std::uint64_t k)
{
    constexpr double Smallest = 0x1p-900;
    double result = 1.0, square = base;
    for (;;) {
        if (k & 1u)
            result *= square;
        k >>= 1;
        if (k == 0)
            break;
        square *= square;
        if (square < Smallest)
            return HUGE_VAL;
    }
    if (result < Smallest)
        return HUGE_VAL;
    // At most 61 roundings of 2^-53 each (30 squares, 31 products), and
    // pow's error of under 2^-52.
    return result * (1.0 + 0x1p-40);
}

}  // namespace

double SpecularCutoff(const double ambient[3], const double diffuseProduct[3], const double specularProduct[3],
                      double exponent)
{
    if (!(exponent >= 1.0))
        return 0.0;
    const std::uint64_t k = exponent >= 0x1p30 ? std::uint64_t(1) << 30 : static_cast<std::uint64_t>(exponent);
    double room = HUGE_VAL;  // about the largest power every channel leaves out
    for (int c = 0; c < 3; ++c) {
        if (!(ambient[c] > 0.0 && std::isnormal(ambient[c]) && diffuseProduct[c] >= 0.0 &&
              std::isfinite(specularProduct[c])))
            return 0.0;
        if (specularProduct[c] != 0.0)
            room = std::fmin(room, QuarterLastPlace(ambient[c]) / std::fabs(specularProduct[c]));
    }
    const auto holds = [&](double cutoff) {
        const double bound = PowerBound(cutoff, k);
        for (int c = 0; c < 3; ++c) {
            if (!(std::fabs(specularProduct[c] * bound) < QuarterLastPlace(ambient[c])))
                return false;
        }
        return true;
    };
    // The k-th root of the room as a first guess; while the check fails (the
    // root's own rounding can tip the bound over), the root of half as much.
    double target = std::fmin(room, 1.0);
    for (int tries = 0; tries < 64; ++tries, target *= 0.5) {
        double cutoff = std::pow(target, 1.0 / static_cast<double>(k));
        if (!(cutoff < 1.0))
            cutoff = 0x1.fffffffffffffp-1;  // the largest double below 1
        if (holds(cutoff))
            return cutoff;
    }
    return 0.0;
}

}  // namespace glintwork
