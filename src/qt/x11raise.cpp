// Raising a window at the user's request, told to the window manager as
// the user's (see windowmanager.h).
#include <QWidget>

#include "qt/look.h"
#include "qt/windowmanager.h"
#include "qt/x11connection.h"

namespace qt {

void RaiseAtUsersRequest(QWidget* w) {
  // The offscreen platform (the pictures) has no stacking order.
  if (Offscreen()) return;
  w->raise();
  w->activateWindow();
  xcb_connection_t* c = X11Connection();
  if (!c || !w->internalWinId()) return;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_client_message_event_t ev{};
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = static_cast<xcb_window_t>(w->internalWinId());
  ev.type = Atom(c, "_NET_ACTIVE_WINDOW");
  ev.data.data32[0] = 2;  // the request comes from the user
  ev.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c, 0, screen->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
  xcb_flush(c);
}

}  // namespace qt
