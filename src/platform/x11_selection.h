// A question for the X server that Qt does not ask for us: does a client own a selection
// (for example _NET_WM_CM_S0, held by a compositing manager)?
#pragma once

namespace tarnwick {

// xcbConnection is the xcb_connection_t of the running application (libxcb is already loaded
// by Qt's platform plugin; its calls are looked up rather than linked). False when the
// connection is null, libxcb is not loaded or the server does not answer.
bool X11SelectionHasOwner(void* xcbConnection, const char* selectionName);

} // namespace tarnwick
