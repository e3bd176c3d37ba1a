#pragma once
// Qt's own X connection, for the few requests Qt does not make itself.
// Only in a build with X11.
#include <xcb/xcb.h>

namespace qt {

// Null when the program does not run on X11.
xcb_connection_t* X11Connection();
xcb_atom_t Atom(xcb_connection_t* c, const char* name);

}  // namespace qt
