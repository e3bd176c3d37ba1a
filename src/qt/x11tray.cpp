// The XEmbed tray's selection, looked up on Qt's own X connection.
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

#include "qt/traywatch.h"

namespace qt {

bool XEmbedTrayPresent() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c || xcb_connection_has_error(c)) return false;
  static constexpr char kSelection[] = "_NET_SYSTEM_TRAY_S0";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(kSelection)), kSelection),
      nullptr);
  if (!atom) return false;
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
  const bool present = owner && owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  std::free(atom);
  return present;
}

}  // namespace qt
