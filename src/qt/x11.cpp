#include "qt/x11.h"

#include "qt/look.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QSysInfo>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Puts images and fills of the screen's depth (24 bits in 32-bit pixels,
// the layout of an opaque 32-bit image on a little-endian server) with one
// graphics context made on the root window, which serves every window of
// that depth.
class WindowSender : public QObject {
 public:
  WindowSender(xcb_connection_t* c, QObject* owner) : QObject(owner), connection_(c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    screen_ = xcb_setup_roots_iterator(setup).data;
    usable_ = screen_ && screen_->root_depth == 24 && RootVisualIsRgb888() &&
              setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST &&
              QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    // The request's header takes 24 bytes of its length.
    max_bytes_ = xcb_get_maximum_request_length(c) * 4 - 24;
    if (!usable_) return;
    gc_ = xcb_generate_id(c);
    xcb_create_gc(c, gc_, screen_->root, 0, nullptr);
  }
  ~WindowSender() override {
    if (gc_) xcb_free_gc(connection_, gc_);
  }

  bool Queue(const QWidget* window, const QImage& image, QRect part) {
    if (!usable_ || !window->internalWinId()) return false;
    part &= image.rect();
    if (part.isEmpty()) return true;
    const auto row = static_cast<std::size_t>(part.width());
    const std::size_t bytes = row * static_cast<std::size_t>(part.height()) * 4;
    if (bytes > max_bytes_) return false;
    rows_.resize(row * static_cast<std::size_t>(part.height()));
    for (int y = 0; y < part.height(); ++y)
      std::memcpy(&rows_[row * static_cast<std::size_t>(y)],
                  image.constScanLine(part.y() + y) + part.x() * 4, row * 4);
    xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP,
                  static_cast<xcb_window_t>(window->internalWinId()), gc_,
                  static_cast<uint16_t>(part.width()), static_cast<uint16_t>(part.height()),
                  static_cast<int16_t>(part.x()), static_cast<int16_t>(part.y()), 0, 24,
                  static_cast<uint32_t>(bytes), reinterpret_cast<const uint8_t*>(rows_.data()));
    queued_ = true;
    return true;
  }

  bool CanFill(const QWidget* window) const { return usable_ && window->internalWinId(); }

  bool Fill(const QWidget* window, const std::vector<SolidFill>& fills) {
    if (!CanFill(window)) return false;
    // Fills alike in layer and colour may go in any order: one request for
    // each of the few colours of a layer.
    keys_.clear();
    for (const SolidFill& f : fills) {
      const std::pair<int, uint32_t> key{f.layer, f.colour & 0xFFFFFFu};
      if (std::find(keys_.begin(), keys_.end(), key) == keys_.end()) keys_.push_back(key);
    }
    std::sort(keys_.begin(), keys_.end());
    const auto id = static_cast<xcb_window_t>(window->internalWinId());
    for (const auto& [layer, pixel] : keys_) {
      rects_.clear();
      for (const SolidFill& f : fills) {
        if (f.layer != layer || (f.colour & 0xFFFFFFu) != pixel || f.rect.isEmpty()) continue;
        rects_.push_back({static_cast<int16_t>(f.rect.x()), static_cast<int16_t>(f.rect.y()),
                          static_cast<uint16_t>(f.rect.width()),
                          static_cast<uint16_t>(f.rect.height())});
      }
      if (rects_.empty()) continue;
      xcb_change_gc(connection_, gc_, XCB_GC_FOREGROUND, &pixel);
      xcb_poly_fill_rectangle(connection_, id, gc_, static_cast<uint32_t>(rects_.size()),
                              rects_.data());
    }
    queued_ = true;
    return true;
  }

  void Send() {
    if (queued_) xcb_flush(connection_);
    queued_ = false;
  }

 private:
  xcb_connection_t* connection_;
  xcb_screen_t* screen_ = nullptr;
  xcb_gcontext_t gc_ = 0;
  bool usable_ = false;
  bool queued_ = false;
  std::size_t max_bytes_ = 0;
  std::vector<uint32_t> rows_;
  std::vector<xcb_rectangle_t> rects_;
  std::vector<std::pair<int, uint32_t>> keys_;  // layer and pixel

  // Pixel values that are 0xRRGGBB, as in an image's pixels.
  bool RootVisualIsRgb888() const {
    for (auto d = xcb_screen_allowed_depths_iterator(screen_); d.rem; xcb_depth_next(&d))
      for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
        if (v.data->visual_id == screen_->root_visual)
          return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xFF0000u &&
                 v.data->green_mask == 0xFF00u && v.data->blue_mask == 0xFFu;
    return false;
  }
};

// One per application, deleted with it.
WindowSender* Sender() {
  static QPointer<WindowSender> sender;
  if (sender) return sender.data();
  if (xcb_connection_t* c = X11Connection()) sender = new WindowSender(c, qApp);
  return sender.data();
}

}  // namespace

bool IsOpaqueWindowImage(const QWidget* window, const QImage& image) {
  const QWindow* handle = window->windowHandle();
  return handle && !handle->format().hasAlpha() && image.devicePixelRatio() == 1.0 &&
         (image.format() == QImage::Format_RGB32 ||
          image.format() == QImage::Format_ARGB32_Premultiplied);
}

bool QueueWindowImage(const QWidget* window, const QImage& image, const QRect& part) {
  WindowSender* s = Sender();
  return s && s->Queue(window, image, part);
}

bool QueueWindowFills(const QWidget* window, const std::vector<SolidFill>& fills) {
  WindowSender* s = Sender();
  return s && s->Fill(window, fills);
}

bool CanQueueWindowFills(const QWidget* window) {
  WindowSender* s = Sender();
  return s && s->CanFill(window);
}

void SendWindowImages() {
  if (WindowSender* s = Sender()) s->Send();
}

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
