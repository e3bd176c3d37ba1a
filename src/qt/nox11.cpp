// A build without X11: what the X11 units do is left to Qt, and there is
// no XEmbed tray to look for and no X11 window sink.
#include <QWidget>

#include "qt/look.h"
#include "qt/traywatch.h"
#include "qt/windowmanager.h"
#include "qt/windowsink.h"

namespace qt {

void UseDefaultColormaps() {}

void RaiseAtUsersRequest(QWidget* w) {
  // The offscreen platform (the pictures) has no stacking order.
  if (Offscreen()) return;
  w->raise();
  w->activateWindow();
}

bool WorkAreaReported() {
  return true;
}

std::unique_ptr<XEmbedTrayWatch> WatchXEmbedTray(std::function<void()>) {
  return nullptr;
}

std::unique_ptr<WindowSink> MakeX11Sink() {
  return nullptr;
}

}  // namespace qt
