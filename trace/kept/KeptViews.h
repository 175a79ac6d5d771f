#ifndef GLINTWORK_KEPTVIEWS_H
#define GLINTWORK_KEPTVIEWS_H

#include <cstring>

#include "trace/tracers/KeptView.h"
#include "trace/tracers/RoomTracer.h"
#include "trace/kept/SlotToReplace.h"

// The kept plane values of the views drawn most recently (the single view,
// the pair's two, the environment view), each under the tracer set-up and
// the eye it was traced for: at most Slots times a view's budget.
class KeptViews {
public:
    static constexpr std::size_t Slots = 4;

    // The slot for this tracer's current set-up and eye: the one kept for
    // them, or else the least recently used one, emptied.
    KeptView& For(const RoomTracer& tracer)
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
        return target->view;
    }

    void Clear()
    {
        for (Slot& s : slots)
            s = Slot();
    }

private:
    static bool SameBits(const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

    struct Slot {
        bool used = false;
        unsigned long lastUse = 0;
        KeptView view;
    };
    Slot slots[Slots];
    unsigned long clock = 0;
};

#endif
