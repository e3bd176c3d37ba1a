#pragma once
// What Qt leaves out in its dealings with the window manager. On X11 these
// make requests of their own on Qt's connection; elsewhere (Wayland,
// offscreen, a build without X11) they leave everything to Qt.
class QWidget;

namespace qt {

// Under X11, Qt gives every window a colormap of its own, and a window
// manager installs the colormap of the window it focuses. Some X servers
// then stop showing what is drawn into windows with such a private
// colormap (menus and tool tips over another window, the stay-on-top
// stand-in once a window moved beneath it stayed black). A window of the
// screen's own visual can take the screen's default colormap instead,
// which never needs installing; this installs, once, an application-wide
// filter that does that for every top-level window as it is shown.
void UseDefaultColormaps();

// Brings a shown window to the front and gives it the focus at the user's
// request (the tray icon, a second start). The window manager is told the
// user asked, so that its focus-stealing prevention lets it through; off
// X11 Qt's own raise and activate.
void RaiseAtUsersRequest(QWidget* w);

// Whether the window manager says which part of the screen its panels
// leave free (_NET_WORKAREA). Where it does not (weston's XWayland), the
// screen's available geometry is the whole screen, panels included.
bool WorkAreaReported();

}  // namespace qt
