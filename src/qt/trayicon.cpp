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

TrayIcon::Trays TrayIcon::Present() const {
  if (!watch_) return {};
  return {watch_->StatusNotifierHost(), watch_->XEmbedTray()};
}

bool TrayIcon::Holds(Kind kind, Trays trays) {
  return kind == Kind::StatusNotifier ? trays.sni : trays.xembed;
}

void TrayIcon::Follow() {
  if (abandoned_) return;
  Trays trays = Present();
  if (tray_ && (!shown_ || !Holds(kind_, trays))) tray_.reset();
  if (refused_ && *refused_ != trays) refused_.reset();
  if (!tray_ && shown_ && (trays.sni || trays.xembed) && !refused_) {
    MakeTrayIcon();
    // Qt found a host when it made the icon that the watch has not heard
    // of yet (a panel that took the XEmbed selection first).
    if (kind_ == Kind::StatusNotifier && !trays.sni)
      trays.sni = watch_->ConfirmStatusNotifierHost();
    // Qt chose a kind whose tray is not there (it may have settled on the
    // other kind for the whole run): the stand-in stays until the trays
    // change.
    if (!Holds(kind_, trays)) {
      tray_.reset();
      refused_ = trays;
    }
  }
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
  // The tray picks the theme size it shows; every one is drawn sharp.
  tray_ = std::make_unique<QSystemTrayIcon>(ThemedIcon(icon_.toImage()));
  tray_->setContextMenu(menu_.get());
  tray_->setToolTip(FromUtf8(tip_));
  QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason r) { Activated(r); });
  tray_->show();
  kind_ = ServesStatusNotifierItem(*tray_) ? Kind::StatusNotifier : Kind::XEmbed;
  last_activation_.invalidate();
}

bool ServesStatusNotifierItem(const QSystemTrayIcon& icon) {
  for (const QObject* child : icon.children())
    if (qstrcmp(child->metaObject()->className(), "QSystemTrayWatcher") == 0) return false;
  for (const QWidget* w : QApplication::topLevelWidgets())
    if (qstrcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0) return false;
  return true;
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
