// The lanes of the fast path's formulas (trace/kernels/LaneMaths.h) as vectors of
// the instruction set being compiled: included once per instruction set by
// the files that dispatch at run time (hwy/foreach_target.h).

#if defined(GLINTWORK_VECTORLANES_INL_H) == defined(HWY_TARGET_TOGGLE)
#ifdef GLINTWORK_VECTORLANES_INL_H
#undef GLINTWORK_VECTORLANES_INL_H
#else
#define GLINTWORK_VECTORLANES_INL_H
#endif

#include <cstddef>
#include <cstdint>

#include <hwy/highway.h>

#include "trace/kernels/LaneMaths.h"

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Doubles in the lanes of descriptor D. Only operations that round each
// lane's result once, as the scalar operation does: never MulAdd.
template <class D_> struct VectorLanes {
    using D = D_;
    using V = hn::Vec<D>;
    using M = hn::Mask<D>;
    static V Set(double x) { return hn::Set(D(), x); }
    static V Sqrt(V x) { return hn::Sqrt(x); }
    static V Neg(V x) { return hn::Neg(x); }
    // Rounded to the nearest float, as the processor's conversion (and so a
    // float sum) does: past float's range, infinity from the midpoint on.
    static hn::Vec<hn::Rebind<float, D>> DemotedToFloat(V x)
    {
        const hn::Rebind<float, D> df;
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
        // The portable targets' conversion gives the largest float past
        // float's range, and for infinity too: the compiler's, a lane at a time.
        HWY_ALIGN double wide[HWY_MAX_BYTES / sizeof(double)];
        HWY_ALIGN float narrow[HWY_MAX_BYTES / sizeof(double)];
        hn::Store(x, D(), wide);
        for (std::size_t l = 0; l < hn::Lanes(D()); ++l)
            narrow[l] = static_cast<float>(wide[l]);
        return hn::Load(df, narrow);
#else
        return hn::DemoteTo(df, x);
#endif
    }
    // The same widened again.
    static V RoundedToFloat(V x) { return hn::PromoteTo(D(), DemotedToFloat(x)); }
    static V Select(M m, V yes, V no) { return hn::IfThenElse(m, yes, no); }
    static V Abs(V x) { return hn::Abs(x); }
    static M Not(M m) { return hn::Not(m); }
    static M Or(M a, M b) { return hn::Or(a, b); }
    static M And(M a, M b) { return hn::And(a, b); }
    static M AndNot(M notThis, M but) { return hn::AndNot(notThis, but); }
};

#include "trace/kernels/LaneFormulas-inl.h"

// The full vector of doubles, and one of at most four lanes (where a wider
// vector would mostly work on padding: a few lights, the plane points of
// four pixels).
using Full = hn::ScalableTag<double>;
using UpToFour = hn::CappedTag<double, 4>;

static_assert(HWY_MAX_BYTES / sizeof(double) <= WidestLanes, "arrays are padded for the widest vector");

// Bit l set where lane l of `m` is true.
template <class D> unsigned MaskBits(D d, hn::Mask<D> m)
{
    std::uint8_t bytes[8] = {};
    hn::StoreMaskBits(d, m, bytes);
    return bytes[0];
}

// For a vector of lanes each with an index below `Entries` (`indices`, one
// per lane), the value of a short table at each lane's index: a broadcast
// where one index fills the vector (as it mostly does), else a lane
// permutation where a vector holds the whole table, else a gather. A table
// is read a whole vector at a time from its start, so it needs that many
// values (padding past its end).
template <class D, std::size_t Entries> class ShortTablePicks {
public:
    ShortTablePicks(D d, const std::int32_t* indices)
    {
        const hn::Rebind<std::int32_t, D> d32;
        index = hn::PromoteTo(di, hn::LoadU(d32, indices));
        one = indices[0];
        same = hn::AllTrue(di, hn::Eq(index, hn::Set(di, std::int64_t(one))));
        picks = hn::IndicesFromVec(d, hn::Min(index, hn::Set(di, std::int64_t(hn::Lanes(d) - 1))));
    }
    hn::Vec<D> Of(const double* table) const
    {
        const D d;
        if (same)
            return hn::Set(d, table[one]);
        if (hn::Lanes(d) >= Entries)
            return hn::TableLookupLanes(hn::LoadU(d, table), picks);
        return hn::GatherIndex(d, table, index);
    }

private:
    hn::RebindToSigned<D> di;
    hn::Vec<hn::RebindToSigned<D>> index;
    decltype(hn::IndicesFromVec(D(), index)) picks;
    std::int32_t one;
    bool same;
};

// Lane l from `at[l][offset]`, for lanes [0, Lanes(d)).
template <class D> hn::Vec<D> GatherLanes(D d, const double* const at[], std::size_t offset)
{
    HWY_ALIGN double values[HWY_MAX_BYTES / sizeof(double)];
    for (std::size_t l = 0; l < hn::Lanes(d); ++l)
        values[l] = at[l][offset];
    return hn::Load(d, values);
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#endif
