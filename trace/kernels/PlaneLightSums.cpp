// Compiled once for every instruction set Highway targets here; the widest
// the processor has (or the one chosen, InstructionSet.h) runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "trace/kernels/PlaneLightSums.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "trace/kernels/ApproximatePowers-inl.h"
#include "trace/kernels/PlaneLightSums.h"
#include "trace/kernels/VectorLanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace glintwork {
namespace HWY_NAMESPACE {

// Light j's values of the points from `first` on, as `v` places them
// (`at`: v.at's entries from `first` on).
template <class D>
hn::Vec<D> ValuesOf(D d, const PlaneLightSums::Values& v, unsigned j, unsigned first,
                    const hn::Vec<hn::RebindToSigned<D>>& at)
{
    if (!v.at)
        return hn::LoadU(d, v.values + j * v.lightStride + first);
    return hn::GatherIndex(d, v.values + j * v.lightStride, at);
}

// `Check`: b.approximatePowers, fixed when compiled so that sums without
// approximations carry nothing of the check.
template <bool Check> std::uint32_t SumPlaneLightsIn(const LightTables& t, const PlaneLightSums::Batch& b)
{
    using D = Full;
    using L = VectorLanes<D>;
    using V = typename L::V;
    const D d;
    const hn::RebindToSigned<D> di;
    const hn::RebindToUnsigned<D> du;
    const hn::Rebind<std::int32_t, D> d32;
    const hn::Rebind<std::uint32_t, D> du32;
    constexpr std::size_t Planes = PlaneLightSums::Planes;
    std::uint32_t unsettledPoints = 0;
    for (unsigned first = 0; first < b.points; first += hn::Lanes(d)) {
        const ShortTablePicks<D, Planes> byPlane(d, b.plane + first);
        const auto tint = hn::PromoteTo(di, hn::LoadU(d32, b.tint + first));
        const auto diffuseAt = b.diffuse.at ? hn::LoadU(di, b.diffuse.at + first) : hn::Zero(di);
        const auto powerAt = b.power.at ? hn::LoadU(di, b.power.at + first) : hn::Zero(di);
        typename L::M tinted[3];
        for (int c = 0; c < 3; ++c)
            tinted[c] = hn::RebindMask(d, hn::TestBit(tint, hn::Set(di, std::int64_t(1) << c)));
        V sum[3] = {L::Set(0.0), L::Set(0.0), L::Set(0.0)};
        // Per point, where the sums might differ from pow's powers' (if the
        // powers are approximations): bits of floats, or none.
        auto unsettled = hn::Zero(du);
        for (unsigned j = 0; j < t.Lights(); ++j) {
            const V diffuse = ValuesOf(d, b.diffuse, j, first, diffuseAt);
            const V power = ValuesOf(d, b.power, j, first, powerAt);
            const std::uint8_t bits = static_cast<std::uint8_t>(b.blocked[j] >> first);
            const auto blocked = hn::LoadMaskBits(d, &bits);
            const double* f = t.PlaneRow(j);
            const std::size_t at = j * b.shadowStride + first;
            auto differing = hn::Zero(du32);
            for (int c = 0; c < 3; ++c) {
                const V ambient = byPlane.Of(f + (LightTables::PlaneAmbient + c) * Planes);
                const V diffuseProduct = L::Select(tinted[c], byPlane.Of(f + (LightTables::PlaneTinted + c) * Planes),
                                                   byPlane.Of(f + (LightTables::PlaneUntinted + c) * Planes));
                const V specular = byPlane.Of(f + (LightTables::PlaneSpecular + c) * Planes);
                const V lit = LightTerm<L>(ambient, diffuseProduct, specular, diffuse, power);
                const V shadow = hn::PromoteTo(d, hn::LoadU(hn::Rebind<float, D>(), b.shadow[c] + at));
                if (Check)
                    differing = hn::Or(differing, FloatBitsAnApproximateSumMayChange<L>(lit, specular * power, sum[c]));
                sum[c] = AddedToFloatSum<L>(L::Select(blocked, ShadowedTerm<L>(ambient, shadow), lit), sum[c]);
            }
            if (Check)  // a blocked light's term has no power
                unsettled =
                    hn::Or(unsettled, hn::IfThenZeroElse(hn::RebindMask(du, blocked), hn::PromoteTo(du, differing)));
        }
        for (int c = 0; c < 3; ++c)
            hn::StoreU(L::DemotedToFloat(sum[c]), hn::Rebind<float, D>(), b.sums[c] + first);
        if (Check)
            unsettledPoints |= MaskBits(d, hn::RebindMask(d, hn::Ne(unsettled, hn::Zero(du)))) << first;
    }
    return b.points >= 32 ? unsettledPoints : unsettledPoints & ((std::uint32_t(1) << b.points) - 1u);
}

std::uint32_t SumPlaneLights(const LightTables& t, const PlaneLightSums::Batch& b)
{
    return b.approximatePowers ? SumPlaneLightsIn<true>(t, b) : SumPlaneLightsIn<false>(t, b);
}

}  // namespace HWY_NAMESPACE
}  // namespace glintwork
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glintwork {
HWY_EXPORT(SumPlaneLights);

std::uint32_t PlaneLightSums::Sum(const LightTables& tables, const Batch& batch)
{
    return HWY_DYNAMIC_DISPATCH(glintwork::SumPlaneLights)(tables, batch);
}
}  // namespace glintwork
#endif
