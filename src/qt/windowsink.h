#pragma once
// Where the compositor's painting of a window goes on the screen. The X11
// sink draws fills and puts image parts on the window through the
// program's own X connection, without Qt's flush; the Qt sink takes
// nothing, so that Qt shows the backing store (Wayland, offscreen, or a
// build without X11).
#include <QRect>
#include <QRgb>
#include <memory>
#include <span>
#include <vector>

class QImage;
class QWidget;

namespace qt {

// A solid rectangle in window coordinates.
struct SolidFill {
  QRect rect;
  QRgb colour;
  // Fills of one layer do not overlap, or overlap in one colour: they may
  // go in any order, after those of the layers below.
  int layer = 0;
};

class WindowSink {
 public:
  virtual ~WindowSink() = default;
  // Whether the sink draws fills on window itself: the backing store may
  // then lag behind the screen until the compositor catches it up.
  virtual bool TakesFills(const QWidget* window) const = 0;
  // Shows fills (drawn layer by layer) and parts of the window's backing
  // store image on the window. False when it cannot: the compositor then
  // shows the backing store through Qt.
  virtual bool Show(const QWidget* window, const std::vector<SolidFill>& fills, const QImage* image,
                    std::span<const QRect> parts) = 0;
  // Sends what was shown, once after each flush.
  virtual void Send() = 0;
};

// Leaves every showing to Qt's flush of the backing store.
class QtSink final : public WindowSink {
 public:
  bool TakesFills(const QWidget*) const override { return false; }
  bool Show(const QWidget*, const std::vector<SolidFill>&, const QImage*,
            std::span<const QRect>) override {
    return false;
  }
  void Send() override {}
};

// The sink that draws on X11 windows; null where the program does not run
// on X11 (or was built without it).
std::unique_ptr<WindowSink> MakeX11Sink();

// A window without alpha whose image has 32-bit opaque pixels at scale 1.
bool IsOpaqueWindowImage(const QWidget* window, const QImage& image);

}  // namespace qt
