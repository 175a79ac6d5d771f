#ifndef GLINTWORK_PLATFORMREMOTE_H
#define GLINTWORK_PLATFORMREMOTE_H

namespace glintwork {

// Driving another program's window from outside, as a user's window manager
// would. Used by scripts and tests that exercise the application for real.
namespace plat {

// Asks the top-level window with the given X window id to close, exactly as a
// window manager's close button does (a WM_DELETE_WINDOW request). Connects to
// the display named by DISPLAY. False when there is no display or the request
// could not be sent.
bool SendCloseRequest(unsigned long windowId);

}  // namespace plat

}  // namespace glintwork

#endif  // GLINTWORK_PLATFORMREMOTE_H
