// The XEmbed tray's selection, looked up on Qt's own X connection.
#include <cstdlib>

#include "qt/traywatch.h"
#include "qt/x11connection.h"

namespace qt {

bool XEmbedTrayPresent() {
  xcb_connection_t* c = X11Connection();
  if (!c || xcb_connection_has_error(c)) return false;
  const xcb_atom_t selection = Atom(c, "_NET_SYSTEM_TRAY_S0");
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
  const bool present = owner && owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return present;
}

}  // namespace qt
