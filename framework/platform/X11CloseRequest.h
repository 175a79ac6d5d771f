#ifndef GLINTWORK_X11CLOSEREQUEST_H
#define GLINTWORK_X11CLOSEREQUEST_H

#include <X11/Xlib.h>

namespace glintwork {

// Asks a top-level X window to close, exactly as a window manager's close
// button does (a WM_DELETE_WINDOW request). The request is only queued: the
// caller flushes or syncs the display. False when it could not be sent.
bool SendDeleteWindowRequest(Display* display, ::Window window);

}  // namespace glintwork

#endif  // GLINTWORK_X11CLOSEREQUEST_H
