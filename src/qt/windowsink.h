#pragma once
// Where the compositor's fills for a window go on the screen. The X11 sink
// draws them on the window through the program's own X connection, without
// Qt's flush; the Qt sink takes none, so that the compositor paints them
// into the backing store and Qt shows that (Wayland, offscreen, or a build
// without X11).
#include <QRect>
#include <QRgb>
#include <memory>
#include <vector>

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
  // Draws the fills on a window that it takes them for, layer by layer.
  virtual void Show(const QWidget* window, const std::vector<SolidFill>& fills) = 0;
  // Sends what was shown, once after each flush.
  virtual void Send() = 0;
};

// Leaves every showing to Qt's flush of the backing store.
class QtSink final : public WindowSink {
 public:
  bool TakesFills(const QWidget*) const override { return false; }
  void Show(const QWidget*, const std::vector<SolidFill>&) override {}
  void Send() override {}
};

// The sink that draws on X11 windows; null where the program does not run
// on X11 (or was built without it).
std::unique_ptr<WindowSink> MakeX11Sink();

}  // namespace qt
