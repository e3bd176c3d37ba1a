#pragma once
// Whether the desktop has a notification area now, and of which kind: a
// StatusNotifierItem host on the session bus (KDE Plasma, GNOME's
// AppIndicator extension, the Xfce and LXQt panels, waybar) or an XEmbed
// tray that owns the screen's tray selection (lxpanel, icewm, the same
// panels' tray plugins). Trays start after the program at login and go away
// with their panel. The watch only listens: the X server tells when the
// selection's owner changes, the bus when the watcher's name changes owner,
// and the watcher when a host comes or goes. Nothing wakes the program
// while none of that happens.
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace qt {

// Tells when the XEmbed tray selection gets or loses its owner.
class XEmbedTrayWatch {
 public:
  virtual ~XEmbedTrayWatch() = default;
  virtual bool Present() const = 0;
};

// Null off X11 (no XEmbed tray there) or where the X server cannot tell.
std::unique_ptr<XEmbedTrayWatch> WatchXEmbedTray(std::function<void()> changed);

class TrayWatch {
 public:
  explicit TrayWatch(std::function<void()> changed);
  ~TrayWatch();
  TrayWatch(const TrayWatch&) = delete;
  TrayWatch& operator=(const TrayWatch&) = delete;

  bool StatusNotifierHost() const { return sni_host_; }
  // Asks the watcher now and waits for the answer: Qt saw a host that the
  // watch may not have heard of yet (its signal is still on the way).
  bool ConfirmStatusNotifierHost();
  bool XEmbedTray() const { return xembed_ && xembed_->Present(); }

 private:
  std::optional<bool> AskForHostNow() const;
  void AskForHost();
  void Answered(QDBusPendingCallWatcher* call);
  void SetHost(bool present);

  std::function<void()> changed_;
  std::unique_ptr<XEmbedTrayWatch> xembed_;
  std::unique_ptr<QDBusServiceWatcher> watcher_owner_;
  // The watcher's signals land here (a slot without a class of our own):
  // each one asks once whether a host is registered.
  QTimer host_signal_;
  std::unique_ptr<QDBusPendingCallWatcher> pending_;
  bool sni_host_ = false;
  bool ask_again_ = false;  // something changed while a question was out
};

}  // namespace qt
