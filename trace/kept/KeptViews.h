#ifndef GLINTWORK_KEPTVIEWS_H
#define GLINTWORK_KEPTVIEWS_H

#include <cstring>

#include "trace/tracers/KeptView.h"
#include "trace/tracers/RoomTracer.h"
#include "trace/kept/SlotToReplace.h"

namespace glintwork {

// The kept plane values of the views drawn most recently (the single view,
// the pair's two, the environment view), each under the tracer set-up and
// the eye it was traced for, all within one budget.
class KeptViews {
public:
    static constexpr std::size_t Slots = 4;
    // All views together keep at most this much (eight lights at 1280 x 960:
    // the single view with its specular powers, or the pair's two views
    // without).
    static constexpr std::size_t DefaultBudgetBytes = std::size_t(256) << 20;
    std::size_t budgetBytes = DefaultBudgetBytes;

    // The slot for this tracer's current set-up and eye, drawn in frames
    // with `companions` other views: the one kept for them, or else the
    // least recently used one, emptied. A slot still to be filled may take
    // what the others leave of the budget; when that is less than the view
    // is expected to take (with the light values that fit beside its
    // companions), the least recently used others are emptied first.
    KeptView& For(const RoomTracer& tracer, unsigned companions = 1)
    {
        Slot* target = nullptr;
        for (Slot& s : slots) {
            if (s.used && s.view.setUpStamp == tracer.setUpStamp && SameBits(s.view.eye, tracer.eye)) {
                target = &s;
                break;
            }
        }
        if (!target) {
            target = &SlotToReplace(slots);
            target->used = true;
            target->view = KeptView();
            target->view.setUpStamp = tracer.setUpStamp;
            target->view.eye = tracer.eye;
        }
        target->lastUse = ++clock;
        KeptView& view = target->view;
        view.companions = companions;
        if (view.state == KeptView::State::Empty) {
            const std::size_t pixels = std::size_t(tracer.rows) * tracer.columns;
            const unsigned perLight = view.ValuesPerLightThatFit(pixels, tracer.lightCount, budgetBytes);
            MakeRoom(*target, perLight != 0 ? view.ExpectedBytesWithCompanions(pixels, tracer.lightCount, perLight)
                                            : KeptView::ExpectedBytes(pixels));
        }
        return view;
    }

    // What all views keep now.
    std::size_t Bytes() const
    {
        std::size_t n = 0;
        for (const Slot& s : slots)
            n += s.used ? s.view.Bytes() : 0;
        return n;
    }

    void Clear()
    {
        for (Slot& s : slots)
            s = Slot();
    }

private:
    struct Slot;

    // Empties the least recently used slots but `target` until `expected`
    // bytes fit with what the rest keep, then gives `target` what is left.
    void MakeRoom(Slot& target, std::size_t expected)
    {
        for (;;) {
            std::size_t others = 0;
            Slot* oldest = nullptr;
            for (Slot& s : slots) {
                if (&s == &target || !s.used)
                    continue;
                others += s.view.Bytes();
                if (!oldest || s.lastUse < oldest->lastUse)
                    oldest = &s;
            }
            if (others + expected <= budgetBytes || !oldest) {
                target.view.budgetBytes = others < budgetBytes ? budgetBytes - others : 0;
                return;
            }
            *oldest = Slot();
        }
    }

    static bool SameBits(const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

    struct Slot {
        bool used = false;
        unsigned long lastUse = 0;
        KeptView view;
    };
    Slot slots[Slots];
    unsigned long clock = 0;
};

}  // namespace glintwork

#endif
