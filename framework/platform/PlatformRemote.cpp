#include "framework/platform/PlatformRemote.h"
#include "framework/platform/X11CloseRequest.h"

namespace glintwork {

namespace plat {

bool SendCloseRequest(unsigned long windowId)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    const bool sent = SendDeleteWindowRequest(display, windowId);
    XSync(display, False);
    XCloseDisplay(display);
    return sent;
}

}  // namespace plat

}  // namespace glintwork
