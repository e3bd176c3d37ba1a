#include "qt/x11connection.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

namespace qt {

xcb_connection_t* X11Connection() {
  if (!qApp) return nullptr;
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  if (!r) return XCB_ATOM_NONE;
  const xcb_atom_t atom = r->atom;
  std::free(r);
  return atom;
}

}  // namespace qt
