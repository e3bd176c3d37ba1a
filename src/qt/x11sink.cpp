// The X11 window sink: fills of the screen's depth (24 bits in 32-bit
// pixels, 0xRRGGBB as in an opaque image) drawn on the windows through Qt's
// own X connection. Each colour has a graphics context of its own, made on
// the root window (it serves every window of that depth), so that the
// rectangles of one colour are one request and nothing else.
#include <QWidget>
#include <algorithm>
#include <utility>
#include <vector>

#include "qt/windowsink.h"
#include "qt/x11connection.h"

namespace qt {

namespace {

class X11Sink final : public WindowSink {
 public:
  explicit X11Sink(xcb_connection_t* c) : connection_(c) {
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    usable_ = screen_ && screen_->root_depth == 24 && RootVisualIsRgb888();
  }
  ~X11Sink() override {
    for (const auto& [pixel, gc] : gcs_) xcb_free_gc(connection_, gc);
  }
  X11Sink(const X11Sink&) = delete;
  X11Sink& operator=(const X11Sink&) = delete;

  bool TakesFills(const QWidget* window) const override {
    return usable_ && window->internalWinId();
  }

  void Show(const QWidget* window, const std::vector<SolidFill>& fills) override {
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
      xcb_poly_fill_rectangle(connection_, id, GcFor(pixel), static_cast<uint32_t>(rects_.size()),
                              rects_.data());
      queued_ = true;
    }
  }

  void Send() override {
    if (queued_) xcb_flush(connection_);
    queued_ = false;
  }

 private:
  // The graphics context that fills with pixel, made the first time.
  xcb_gcontext_t GcFor(uint32_t pixel) {
    for (const auto& [p, gc] : gcs_)
      if (p == pixel) return gc;
    const xcb_gcontext_t gc = xcb_generate_id(connection_);
    const uint32_t values[] = {pixel, 0};  // foreground, no exposure events
    xcb_create_gc(connection_, gc, screen_->root, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES,
                  values);
    gcs_.emplace_back(pixel, gc);
    return gc;
  }

  // Pixel values that are 0xRRGGBB, as in an image's pixels.
  bool RootVisualIsRgb888() const {
    for (auto d = xcb_screen_allowed_depths_iterator(screen_); d.rem; xcb_depth_next(&d))
      for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
        if (v.data->visual_id == screen_->root_visual)
          return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xFF0000u &&
                 v.data->green_mask == 0xFF00u && v.data->blue_mask == 0xFFu;
    return false;
  }

  xcb_connection_t* connection_;
  xcb_screen_t* screen_ = nullptr;
  bool usable_ = false;
  bool queued_ = false;
  std::vector<std::pair<uint32_t, xcb_gcontext_t>> gcs_;  // pixel and its context
  std::vector<xcb_rectangle_t> rects_;
  std::vector<std::pair<int, uint32_t>> keys_;  // layer and pixel
};

}  // namespace

std::unique_ptr<WindowSink> MakeX11Sink() {
  xcb_connection_t* c = X11Connection();
  if (!c) return nullptr;
  return std::make_unique<X11Sink>(c);
}

}  // namespace qt
