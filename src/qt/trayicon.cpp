#include "qt/trayicon.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "qt/crispicon.h"
#include "qt/look.h"
#include "qt/traywatch.h"

namespace qt {

namespace {
constexpr int kStandInSize = 40;

Qt::WindowFlags StandInFlags() {
  Qt::WindowFlags f = Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint;
  // A Wayland client draws its own title bar, which would cover the icon;
  // elsewhere the window manager's title bar lets the user move it.
  if (WindowsHavePlaces())
    f |= Qt::WindowTitleHint;
  else
    f |= Qt::FramelessWindowHint;
  return f;
}
}  // namespace

class TrayIcon::StandInWindow : public QWidget {
 public:
  StandInWindow(const QPixmap& icon, TrayIcon& owner)
      : QWidget(nullptr, StandInFlags()), icon_(icon), owner_(owner) {
    setFixedSize(kStandInSize, kStandInSize);
    setAttribute(Qt::WA_QuitOnClose, false);
    MarkOwnWindow(this);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), FaceColor());
    DrawEdge(p, rect(), true);
    if (!icon_.isNull())
      p.drawPixmap((width() - icon_.width()) / 2, (height() - icon_.height()) / 2, icon_);
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && owner_.actions_.double_click)
      owner_.actions_.double_click();
  }
  void contextMenuEvent(QContextMenuEvent* e) override {
    if (owner_.menu_) owner_.menu_->exec(e->globalPos());
  }
  // Closing the stand-in is not quitting; the menu's exit is.
  void closeEvent(QCloseEvent* e) override { e->ignore(); }

 private:
  QPixmap icon_;
  TrayIcon& owner_;
};

TrayIcon::TrayIcon(const QPixmap& icon, Actions actions, bool use_system_tray)
    : icon_(icon), actions_(std::move(actions)) {
  menu_ = BuildMenu();
  stand_in_ = std::make_unique<StandInWindow>(icon_, *this);
  // Qt's own question whether a tray exists would settle its kind of tray
  // for good: the watch asks the desktop instead.
  if (use_system_tray) watch_ = std::make_unique<TrayWatch>([this] { Follow(); });
}

TrayIcon::~TrayIcon() {
  // The tray refers to the menu: it goes first.
  tray_.reset();
  stand_in_.reset();
  watch_.reset();
  menu_.reset();
}

std::unique_ptr<QMenu> TrayIcon::BuildMenu() {
  auto menu = std::make_unique<QMenu>();
  QAction* open = menu->addAction(FromUtf8(actions_.open_text));
  QFont bold = open->font();
  bold.setBold(true);
  open->setFont(bold);
  QObject::connect(open, &QAction::triggered, [this] {
    if (actions_.open) actions_.open();
  });
  QAction* exit = menu->addAction(FromUtf8(actions_.exit_text));
  QObject::connect(exit, &QAction::triggered, [this] {
    if (actions_.exit) actions_.exit();
  });
  return menu;
}

bool TrayIcon::TrayPresent() const {
  if (!watch_) return false;
  switch (kind_) {
    case Kind::StatusNotifier:
      return watch_->StatusNotifierHost();
    case Kind::XEmbed:
      return watch_->XEmbedTray();
    case Kind::Unsettled:
      break;
  }
  return watch_->StatusNotifierHost() || watch_->XEmbedTray();
}

void TrayIcon::Follow() {
  if (abandoned_) return;
  const bool in_tray = shown_ && TrayPresent();
  if (in_tray && !tray_) MakeTrayIcon();
  if (!in_tray && tray_) tray_.reset();
  if (tray_) {
    stand_in_->hide();
  } else if (shown_) {
    stand_in_->setToolTip(FromUtf8(tip_));
    stand_in_->setWindowTitle(FromUtf8(tip_));
    stand_in_->show();
  } else {
    stand_in_->hide();
  }
}

void TrayIcon::MakeTrayIcon() {
  // Qt serves a StatusNotifierItem host when one is there as its first
  // icon is made, and an XEmbed tray otherwise, for the rest of the run.
  if (kind_ == Kind::Unsettled)
    kind_ = watch_->StatusNotifierHost() ? Kind::StatusNotifier : Kind::XEmbed;
  // The tray picks the theme size it shows; every one is drawn sharp.
  tray_ = std::make_unique<QSystemTrayIcon>(ThemedIcon(icon_.toImage()));
  tray_->setContextMenu(menu_.get());
  tray_->setToolTip(FromUtf8(tip_));
  QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason r) { Activated(r); });
  tray_->show();
}

void TrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
  if (!actions_.double_click) return;
  if (kind_ != Kind::StatusNotifier) {
    if (reason == QSystemTrayIcon::DoubleClick) actions_.double_click();
    return;
  }
  if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick) return;
  // Each click of a double click arrives as an activation; every one
  // within the double-click time of the last belongs to the same burst.
  const bool burst = last_activation_.isValid() &&
                     last_activation_.elapsed() <= QApplication::doubleClickInterval();
  last_activation_.restart();
  if (!burst) actions_.double_click();
}

void TrayIcon::Show(const std::string& tip) {
  shown_ = true;
  tip_ = tip;
  if (tray_) tray_->setToolTip(FromUtf8(tip_));
  Follow();
}

void TrayIcon::Hide() {
  shown_ = false;
  Follow();
}

QWidget* TrayIcon::StandIn() const {
  return tray_ ? nullptr : stand_in_.get();
}

}  // namespace qt
