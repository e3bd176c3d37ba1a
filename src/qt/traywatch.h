#pragma once
// Whether the desktop has a notification area now, and of which kind: a
// StatusNotifierItem host on the session bus (KDE Plasma, GNOME's
// AppIndicator extension, the XFCE panel, waybar) or an XEmbed tray that
// owns the screen's tray selection (lxpanel, icewm, older panels). Trays
// start after the program at login and go away with their panel, so the
// watch looks again once a second and says when the answer changed.
#include <QTimer>
#include <functional>
#include <memory>

class QDBusPendingCallWatcher;

namespace qt {

class TrayWatch {
 public:
  explicit TrayWatch(std::function<void()> changed);
  ~TrayWatch();
  TrayWatch(const TrayWatch&) = delete;
  TrayWatch& operator=(const TrayWatch&) = delete;

  bool StatusNotifierHost() const { return sni_host_; }
  bool XEmbedTray() const { return xembed_; }

 private:
  void Look();
  void AskStatusNotifierWatcher();
  void Set(bool& field, bool value);

  std::function<void()> changed_;
  QTimer timer_;
  bool sni_host_ = false;
  bool xembed_ = false;
  bool asking_ = false;  // a question to the bus is on its way
  std::unique_ptr<QDBusPendingCallWatcher> pending_;
};

// An XEmbed tray owns _NET_SYSTEM_TRAY_S<screen>; false off X11.
bool XEmbedTrayPresent();

}  // namespace qt
