#pragma once
// The notification-area icon: Qt's tray icon while the desktop has a tray,
// otherwise a small always-on-top window with the icon and the tip that
// takes the double click and offers the same menu. A tray that comes later
// takes the icon from the stand-in; one that goes gives it back.
//
// Qt serves either kind of tray, StatusNotifierItem or XEmbed, and decides
// which by itself when an icon is made (some versions once per process): the
// kind of each icon is read from what Qt made of it, and the icon stays only
// while a tray of that kind is there. The user's request to open is the
// double click where the tray reports clicks (an XEmbed tray, the stand-in).
// A StatusNotifierItem host reports only activations, one per click: there
// the first activation of a burst is the request, and the rest of the burst
// is the same gesture.
#include <QElapsedTimer>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QMenu;
class QWidget;

namespace qt {

class TrayWatch;

class TrayIcon {
 public:
  struct Actions {
    std::function<void()> double_click;
    std::string open_text;
    std::function<void()> open;
    std::string exit_text;
    std::function<void()> exit;
  };

  // use_system_tray false: always the stand-in window (no tray, or pictures).
  TrayIcon(const QPixmap& icon, Actions actions, bool use_system_tray);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  void Show(const std::string& tip);
  void Hide();
  bool Shown() const { return shown_; }
  // The stand-in window; null while the system tray shows the icon.
  QWidget* StandIn() const;
  // The display is gone: nothing is shown or taken down any more.
  void Abandon() { abandoned_ = true; }

 private:
  class StandInWindow;
  enum class Kind { StatusNotifier, XEmbed };

  // The trays there now, as one value: a kind Qt served without its tray
  // is not tried again until it changes.
  struct Trays {
    bool sni = false;
    bool xembed = false;
    bool operator==(const Trays&) const = default;
  };

  std::unique_ptr<QMenu> BuildMenu();
  Trays Present() const;
  // Puts the icon where it belongs now: in the tray or the stand-in.
  void Follow();
  // Whether a tray of the kind the icon was served is there.
  static bool Holds(Kind kind, Trays trays);
  void MakeTrayIcon();
  void Activated(QSystemTrayIcon::ActivationReason reason);

  QPixmap icon_;
  Actions actions_;
  std::string tip_;
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<TrayWatch> watch_;  // null: the stand-in only
  std::unique_ptr<QSystemTrayIcon> tray_;
  std::unique_ptr<StandInWindow> stand_in_;
  Kind kind_ = Kind::XEmbed;      // of tray_
  std::optional<Trays> refused_;  // Qt served a kind that was not there
  QElapsedTimer last_activation_;
  bool shown_ = false;
  bool abandoned_ = false;
};

// Whether Qt made the icon a StatusNotifierItem (else an XEmbed icon, which
// keeps a watch of its own for the tray to dock into). Read after show().
bool ServesStatusNotifierItem(const QSystemTrayIcon& icon);

}  // namespace qt
