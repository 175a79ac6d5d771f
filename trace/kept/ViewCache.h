#ifndef GLINTWORK_VIEWCACHE_H
#define GLINTWORK_VIEWCACHE_H

#include <cstring>
#include <string>
#include <vector>

#include "trace/tracers/PointList.h"
#include "trace/tracers/RoomTracer.h"
#include "trace/kept/SlotToReplace.h"

namespace glintwork {

// The final points of the views drawn most recently, each under the inputs it
// was traced from. A tracer's picture depends only on its set-up from the scene
// (its set-up stamp), its eye, its sphere centres and its two switches, so a view
// whose inputs are unchanged is drawn again from here, point for point the
// same, without tracing it again.
class ViewCache {
public:
    static constexpr std::size_t Slots = 4;  // the single, the pair's two, the environment view
    // A view whose points take more than this is not kept: it is drawn band
    // by band as it is traced and traced again the next time. (The default
    // scene at 640 x 480 takes 12 MB, at 1920 x 1200 76 MB.) All kept views
    // and the lists refilled from them stay within six times this.
    static constexpr std::size_t ViewBudgetBytes = std::size_t(128) << 20;

    // The inputs of a tracer's next picture, as bytes (floating-point values
    // by their bits, so -0 and 0 differ and NaN equals itself).
    static std::string Inputs(int tracerId, const RoomTracer& t)
    {
        std::string key;
        auto add = [&key](const void* p, std::size_t n) { key.append(static_cast<const char*>(p), n); };
        add(&tracerId, sizeof tracerId);
        add(&t.setUpStamp, sizeof t.setUpStamp);
        add(&t.eye, sizeof t.eye);
        add(&t.sphereCount, sizeof t.sphereCount);
        add(t.sphereCentres, sizeof t.sphereCentres[0] * t.sphereCount);
        add(&t.reflectionsOn, sizeof t.reflectionsOn);
        add(&t.colouredShadowsOn, sizeof t.colouredShadowsOn);
        return key;
    }

    // The bands stored under these inputs, or null.
    std::vector<PointList>* Find(const std::string& inputs)
    {
        for (Slot& s : slots) {
            if (s.used && s.inputs == inputs) {
                s.lastUse = ++clock;
                return &s.bands;
            }
        }
        return nullptr;
    }

    // Stores bands under these inputs by swapping them with the least
    // recently used slot's (whose vectors the caller may reuse).
    void Store(const std::string& inputs, std::vector<PointList>& bands)
    {
        Slot* target = &SlotToReplace(slots);
        target->inputs = inputs;
        target->bands.swap(bands);
        target->used = true;
        target->lastUse = ++clock;
    }

    void Clear()
    {
        for (Slot& s : slots)
            s.used = false;
    }

private:
    struct Slot {
        bool used = false;
        unsigned long lastUse = 0;
        std::string inputs;
        std::vector<PointList> bands;
    };
    Slot slots[Slots];
    unsigned long clock = 0;
};

}  // namespace glintwork

#endif
