// Saves the current (context, drawable) pair each time a window switches to
// its own context and restores it when the window is done, so that nested
// handlers leave the current context as they found it. Sixteen pairs are
// kept; deeper pushes are counted, and their pops leave no context current.
#ifndef GLINTWORK_CONTEXTSTACK_H
#define GLINTWORK_CONTEXTSTACK_H

#include "framework/platform/PlatformWindow.h"

namespace glintwork {

class ContextStack {
public:
    static constexpr int CAPACITY = 16;

    static ContextStack& Get();

    void Push();
    void Pop();
    bool MakeCurrent(plat::HDC hdc, plat::HGLRC context);
    int Depth() const { return depth; }

private:
    struct Pair {
        plat::HGLRC context = nullptr;
        plat::HDC drawable = nullptr;
    };
    int depth = 0;
    Pair saved[CAPACITY];
};

}  // namespace glintwork

#endif  // GLINTWORK_CONTEXTSTACK_H
