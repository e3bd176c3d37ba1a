#include "qt/x11.h"

#include "qt/look.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace qt {

namespace {

class DefaultColormapFilter : public QObject {
 public:
  DefaultColormapFilter(xcb_connection_t* c, QObject* owner) : QObject(owner), connection_(c) {
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  }

  // A window is made before its first Show event and mapped after it.
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() != QEvent::Show || !o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    if (w->isWindow() && w->internalWinId() != 0)
      UseDefaultColormap(static_cast<xcb_window_t>(w->internalWinId()));
    return false;
  }

 private:
  void UseDefaultColormap(xcb_window_t window) {
    xcb_get_window_attributes_reply_t* attrs = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr);
    if (!attrs) return;
    // A window with a visual of its own (one with alpha) keeps its colormap.
    if (attrs->visual == screen_->root_visual && attrs->colormap != screen_->default_colormap) {
      const uint32_t cmap = screen_->default_colormap;
      xcb_change_window_attributes(connection_, window, XCB_CW_COLORMAP, &cmap);
    }
    std::free(attrs);
  }

  xcb_connection_t* connection_;
  xcb_screen_t* screen_ = nullptr;
};

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

}  // namespace

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

void UseDefaultColormaps() {
  // Once per application: the filter goes with the application that owns it.
  static QPointer<QObject> installed;
  xcb_connection_t* c = X11Connection();
  if (installed || !c) return;
  // The application owns the filter and deletes it with itself.
  installed = new DefaultColormapFilter(c, qApp);
  qApp->installEventFilter(installed);
}

}  // namespace qt
