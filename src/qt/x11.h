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
class QWidget;

namespace qt {

// Installs the application-wide filter once; does nothing off X11.
void UseDefaultColormaps();

// Brings a shown window to the front and gives it the focus at the user's
// request (the tray icon, a second start). The window manager is told the
// user asked, so that its focus-stealing prevention lets it through; off
// X11 Qt's own raise and activate.
void RaiseAtUsersRequest(QWidget* w);

}  // namespace qt
