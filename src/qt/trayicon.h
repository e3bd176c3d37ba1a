#pragma once
// The notification-area icon: Qt's tray icon where the desktop has a tray,
// otherwise a small always-on-top window with the icon and the tip that
// takes the double click and offers the same menu.
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace qt {

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
  // The stand-in window; null while the system tray is used.
  QWidget* StandIn() const;

 private:
  class StandInWindow;
  std::unique_ptr<QMenu> BuildMenu();

  QPixmap icon_;
  Actions actions_;
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  std::unique_ptr<StandInWindow> stand_in_;
  bool shown_ = false;
};

}  // namespace qt
