// Every top-level window of the screen's visual takes the screen's default
// colormap (see windowmanager.h).
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <cstdlib>

#include "qt/windowmanager.h"
#include "qt/x11connection.h"

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

}  // namespace

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
