#include "framework/glwindow/ContextStack.h"

#include "framework/main/MainServices.h"

namespace glintwork {

ContextStack& ContextStack::Get()
{
    static ContextStack* stack = new ContextStack;  // lives until the process ends
    return *stack;
}

void ContextStack::Push()
{
    if (depth < CAPACITY) {
        saved[depth].context = plat::GetCurrentContext();
        saved[depth].drawable = plat::GetCurrentDC();
    } else {
        DebugPrintf("context stack overflow\n");
    }
    ++depth;
}

void ContextStack::Pop()
{
    if (depth == 0)
        return;
    --depth;
    if (depth < CAPACITY) {
        plat::MakeCurrent(saved[depth].drawable, saved[depth].context);
    } else {
        plat::MakeCurrent(nullptr, nullptr);
    }
}

bool ContextStack::MakeCurrent(plat::HDC hdc, plat::HGLRC context)
{
    return plat::MakeCurrent(hdc, context);
}

}  // namespace glintwork
