// Whether the window manager tells where its panels leave room (see
// windowmanager.h).
#include <cstdlib>

#include "qt/windowmanager.h"
#include "qt/x11connection.h"

namespace qt {

bool WorkAreaReported() {
  xcb_connection_t* c = X11Connection();
  // Off X11 the platform's own available geometry is all there is.
  if (!c) return true;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, Atom(c, "_NET_WORKAREA"), XCB_ATOM_CARDINAL, 0, 4), nullptr);
  const bool reported = r && r->format == 32 && xcb_get_property_value_length(r) >= 16;
  std::free(r);
  return reported;
}

}  // namespace qt
