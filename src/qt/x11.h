#pragma once
// What Qt leaves out on X11.
//
// Under X11, Qt gives every window a colormap of its own, and a window
// manager installs the colormap of the window it focuses. Some X servers
// then stop showing what is drawn into windows with such a private
// colormap (menus and tool tips over another window, the stay-on-top
// stand-in once a window moved beneath it stayed black). A window of the
// screen's own visual can take the screen's default colormap instead,
// which never needs installing; this does that for every top-level window
// of the program as it is shown.
#include <QRect>
#include <QRgb>
#include <vector>

class QImage;
class QWidget;

namespace qt {

// Installs the application-wide filter once; does nothing off X11.
void UseDefaultColormaps();

// Brings a shown window to the front and gives it the focus at the user's
// request (the tray icon, a second start). The window manager is told the
// user asked, so that its focus-stealing prevention lets it through; off
// X11 Qt's own raise and activate.
void RaiseAtUsersRequest(QWidget* w);

// Shows part of a top-level window's backing store image (what Qt paints
// the window into) on the window through the program's X connection,
// without Qt's flush; the parts of every window go out together with
// SendWindowImages. For an image that IsOpaqueWindowImage; false where
// the screen does not take it as it is (not X11, another depth or byte
// order): the caller then flushes through Qt.
bool QueueWindowImage(const QWidget* window, const QImage& image, const QRect& part);
// The same for parts that are solid fills, layer by layer, on a window
// whose image IsOpaqueWindowImage: the X server draws them, which sends far
// less than their pixels.
struct SolidFill {
  QRect rect;
  QRgb colour;
  // Fills of one layer do not overlap, or overlap in one colour: they may
  // go in any order, after those of the layers below.
  int layer = 0;
};
bool QueueWindowFills(const QWidget* window, const std::vector<SolidFill>& fills);
// Whether QueueWindowFills takes fills for the window.
bool CanQueueWindowFills(const QWidget* window);
// A window without alpha whose image has 32-bit opaque pixels at scale 1.
bool IsOpaqueWindowImage(const QWidget* window, const QImage& image);
void SendWindowImages();

}  // namespace qt
