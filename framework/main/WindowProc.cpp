#include "framework/glwindow/GLWindowEx.h"
#include "framework/main/Main.h"
#include "framework/main/MainServices.h"

namespace glintwork {

// Binds an OS window to its framework record when the window is made (the
// record comes as the creation parameter) and hands every later message to
// the record.
plat::LRESULT WindowProc(plat::HWND hwnd, unsigned message, plat::WPARAM wParam, plat::LPARAM lParam)
{
    if (message == plat::WM_NCCREATE) {
        auto* create = reinterpret_cast<const plat::CREATESTRUCT*>(lParam);
        if (create && create->lpCreateParams) {
            DebugPrintf("WM_NCCREATE(pWindowEx=0x%08lX)\n", reinterpret_cast<unsigned long>(create->lpCreateParams));
            plat::SetWindowLong(hwnd, plat::GWL_USERDATA, reinterpret_cast<std::intptr_t>(create->lpCreateParams));
        }
    }
    auto* record = reinterpret_cast<GLWindowEx*>(plat::GetWindowLong(hwnd, plat::GWL_USERDATA));
    if (record)
        return record->HandleMessage(hwnd, message, wParam, lParam);
    return plat::DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace glintwork
