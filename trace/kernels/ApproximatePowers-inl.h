// Specular powers worked out by squaring instead of the C library's pow,
// and the check that they leave a float sum as pow's powers would: the
// vector formulas of both, included once per instruction set by the files
// that dispatch at run time (hwy/foreach_target.h).
//
// A whole exponent up to 128 with a positive base is the common case (a
// highlight's exponent such as 10 or 80). Its power by squaring is within
// 2^-45 of pow's; a sum of light terms rounded to float after each light then
// checks, light by light and channel by channel, whether so small a
// difference could move the sum across a midpoint between two floats. The
// few sums where it could are worked out again from pow's powers, so every
// float is the one pow's powers give.

#if defined(GLINTWORK_APPROXIMATEPOWERS_INL_H) == defined(HWY_TARGET_TOGGLE)
#ifdef GLINTWORK_APPROXIMATEPOWERS_INL_H
#undef GLINTWORK_APPROXIMATEPOWERS_INL_H
#else
#define GLINTWORK_APPROXIMATEPOWERS_INL_H
#endif

#include <cmath>
#include <cstdint>

#include <hwy/highway.h>

#include "trace/kernels/LaneMaths.h"
#include "trace/kernels/VectorLanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

// A vector of exponents, and the whole ones from 1 to LargestSquaredExponent
// among them (k, 1 in the other lanes), for ApproximatePower.
template <class D> struct SquaredExponents {
    SquaredExponents() = default;
    SquaredExponents(D d, hn::Vec<D> exponents) : exponent(exponents)
    {
        whole =
            hn::And(hn::And(hn::Ge(exponent, hn::Set(d, 1.0)), hn::Le(exponent, hn::Set(d, LargestSquaredExponent))),
                    hn::Eq(hn::Floor(exponent), exponent));
        k = hn::ConvertTo(hn::RebindToSigned<D>(), hn::IfThenElse(whole, exponent, hn::Set(d, 1.0)));
    }
    hn::Vec<D> exponent;
    hn::Mask<D> whole;
    hn::Vec<hn::RebindToSigned<D>> k;
};

// The power x^k by squaring, for a whole exponent k from 1 to 128
// (LargestSquaredExponent; of at most `bits` bits, SquaringBits) and a
// positive base. Rounding a square doubles the
// relative error its factor carried, so x^(2^i) carries at most 2^i - 1
// roundings' worth and the power at most k + 7 (each product one more):
// within (k + 7) 2^-53 of the exact power, and so (pow being within a unit in
// its last place of it) within 2^-45 of pow's answer, wherever the power and
// every factor on the way are normal numbers (guaranteed by a power from
// 2^-960 to 2^960: for a base below 1 the factors are larger than the power,
// above 1 smaller). `approximated` says where all that holds, and where the
// base is +0 with a positive exponent: squaring gives pow's +0 there (k is 1
// where the exponent is not whole).
template <class D>
HWY_INLINE hn::Vec<D> ApproximatePower(D d, hn::Vec<D> x, const SquaredExponents<D>& e, int bits,
                                       hn::Mask<D>& approximated)
{
    using V = hn::Vec<D>;
    const hn::RebindToSigned<D> di;
    const hn::RebindToUnsigned<D> du;
    V square = x;
    const auto k = e.k;
    V power = hn::IfThenElse(hn::RebindMask(d, hn::TestBit(k, hn::Set(di, 1))), x, hn::Set(d, 1.0));
    for (int i = 1; i < bits; ++i) {
        square = hn::Mul(square, square);
        const auto has = hn::RebindMask(d, hn::TestBit(k, hn::Set(di, std::int64_t(1) << i)));
        power = hn::IfThenElse(has, hn::Mul(power, square), power);
    }
    const auto squared = hn::And(e.whole, hn::And(hn::Gt(x, hn::Zero(d)), hn::Lt(x, hn::Set(d, HUGE_VAL))));
    const auto zero =
        hn::And(hn::RebindMask(d, hn::Eq(hn::BitCast(du, x), hn::Zero(du))), hn::Gt(e.exponent, hn::Zero(d)));
    approximated = hn::Or(
        zero, hn::And(squared, hn::And(hn::Ge(power, hn::Set(d, 0x1p-960)), hn::Le(power, hn::Set(d, 0x1p960)))));
    return power;
}

// Whether a light's term worked out with an approximate power (within 2^-45
// of the exact one, relative) can give another float sum than the exact
// power: `lit` = LightTerm with the approximate power, `specularPart` = its
// specular product times that power, `sum` the sum so far. The specular
// parts differ by at most 2^-45 of theirs and two roundings; the term and
// the sum before its rounding to float each add a rounding, at most 2^-53 of
// its size. So the exact power's unrounded sum lies within e of this one's,
// e taking each of the three at 2^-44, plus 2^-1000 for roundings past the
// normal range. If the two ends of [sum - 2e, sum + 2e] round to the same
// float, so does every number between (rounding is monotonic), and so both
// sums do: the answer is the bits in which the two ends' floats differ, none
// where they cannot. (A NaN sum comes from the other inputs alone, the same
// for both powers, since both powers are finite and positive.)
template <class L>
hn::Vec<hn::Rebind<std::uint32_t, typename L::D>>
FloatBitsAnApproximateSumMayChange(typename L::V lit, typename L::V specularPart, typename L::V sum)
{
    using V = typename L::V;
    const hn::Rebind<std::uint32_t, typename L::D> du32;
    const V unrounded = lit + sum;
    const V e = (L::Abs(specularPart) + L::Abs(lit) + L::Abs(unrounded)) * L::Set(0x1p-44) + L::Set(0x1p-1000);
    const V twice = e + e;
    return hn::Xor(hn::BitCast(du32, L::DemotedToFloat(unrounded + twice)),
                   hn::BitCast(du32, L::DemotedToFloat(unrounded - twice)));
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#endif
