#ifndef GLINTWORK_LANEMATHS_H
#define GLINTWORK_LANEMATHS_H

#include <cmath>
#include <cstddef>

namespace glintwork {

// The fast path's formulas are written once (trace/kernels/LaneFormulas-inl.h), as
// templates over a set of lanes `L`: L::V is a value (a plain double, or a
// vector of doubles), L::M the answer of a comparison (a bool, or a mask),
// and L gives the few operations that are not operators. The same template
// worked out on a vector does, in every lane, exactly what it does on a
// double: the same operations in the same order, each rounded to double (no
// fused multiply-add), so a lane's value is the scalar value to the bit.
//
// OneLane is the plain double; VectorLanes (trace/kernels/VectorLanes-inl.h) a
// vector of the instruction set chosen at run time.
// The most doubles a vector of any instruction set here holds (AVX-512's
// eight; VectorLanes-inl.h checks it): what arrays read a whole vector at a
// time are padded to.
constexpr std::size_t WidestLanes = 8;

struct OneLane {
    using V = double;
    using M = bool;
    static V Set(double x) { return x; }
    static V Sqrt(V x) { return std::sqrt(x); }
    static V Neg(V x) { return -x; }
    static V RoundedToFloat(V x) { return static_cast<float>(x); }
    static V Select(M m, V yes, V no) { return m ? yes : no; }
    static M Not(M m) { return !m; }
    static M Or(M a, M b) { return a || b; }
    static M And(M a, M b) { return a && b; }
    static M AndNot(M notThis, M but) { return !notThis && but; }
};

// The largest exponent whose specular powers are worked out by squaring
// (ApproximatePowers-inl.h): within 2^-45 of pow's up to it.
constexpr double LargestSquaredExponent = 128.0;

// The bits of the largest whole exponent to square up to `largest` (the
// largest exponent of a batch).
inline int SquaringBits(double largest)
{
    largest = largest < LargestSquaredExponent ? largest : LargestSquaredExponent;
    return largest >= 1.0 ? 64 - __builtin_clzll(static_cast<unsigned long long>(largest)) : 1;
}

#include "trace/kernels/LaneFormulas-inl.h"

}  // namespace glintwork

#endif
