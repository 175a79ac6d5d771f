#ifndef GLINTWORK_SLOTTOREPLACE_H
#define GLINTWORK_SLOTTOREPLACE_H

#include <cstddef>

namespace glintwork {

// Of a small fixed set of cache slots (each with `used` and `lastUse`), the
// one to fill next: the first unused one, else the least recently used.
template <typename Slot, std::size_t N> Slot& SlotToReplace(Slot (&slots)[N])
{
    Slot* target = &slots[0];
    for (Slot& s : slots) {
        if (!s.used)
            return s;
        if (s.lastUse < target->lastUse)
            target = &s;
    }
    return *target;
}

}  // namespace glintwork

#endif
