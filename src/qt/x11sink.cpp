// The X11 window sink: images and fills of the screen's depth (24 bits in
// 32-bit pixels, the layout of an opaque 32-bit image on a little-endian
// server) put on the windows through Qt's own X connection, with one
// graphics context made on the root window, which serves every window of
// that depth.
#include <QImage>
#include <QSysInfo>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "qt/windowsink.h"
#include "qt/x11connection.h"

namespace qt {

namespace {

class X11Sink final : public WindowSink {
 public:
  explicit X11Sink(xcb_connection_t* c) : connection_(c) {
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
  ~X11Sink() override {
    if (gc_) xcb_free_gc(connection_, gc_);
  }
  X11Sink(const X11Sink&) = delete;
  X11Sink& operator=(const X11Sink&) = delete;

  bool TakesFills(const QWidget* window) const override {
    return usable_ && window->internalWinId();
  }

  bool Show(const QWidget* window, const std::vector<SolidFill>& fills, const QImage* image,
            std::span<const QRect> parts) override {
    if (!TakesFills(window)) return false;
    Fill(window, fills);
    for (const QRect& part : parts)
      if (!image || !Put(window, *image, part)) return false;
    return true;
  }

  void Send() override {
    if (queued_) xcb_flush(connection_);
    queued_ = false;
  }

 private:
  bool Put(const QWidget* window, const QImage& image, QRect part) {
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

  void Fill(const QWidget* window, const std::vector<SolidFill>& fills) {
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
  xcb_gcontext_t gc_ = 0;
  bool usable_ = false;
  bool queued_ = false;
  std::size_t max_bytes_ = 0;
  std::vector<uint32_t> rows_;
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
