#include "qt/trayicon.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSystemTrayIcon>

#include "qt/crispicon.h"
#include "qt/look.h"

namespace qt {

namespace {
constexpr int kStandInSize = 40;
}

class TrayIcon::StandInWindow : public QWidget {
 public:
  StandInWindow(const QPixmap& icon, TrayIcon& owner)
      : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                             Qt::WindowTitleHint),
        icon_(icon),
        owner_(owner) {
    setFixedSize(kStandInSize, kStandInSize);
    setAttribute(Qt::WA_QuitOnClose, false);
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
  if (use_system_tray && QSystemTrayIcon::isSystemTrayAvailable()) {
    // The tray picks the theme size it shows; every one is drawn sharp.
    tray_ = std::make_unique<QSystemTrayIcon>(ThemedIcon(icon_.toImage()));
    tray_->setContextMenu(menu_.get());
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason r) {
                       if (r == QSystemTrayIcon::DoubleClick && actions_.double_click)
                         actions_.double_click();
                     });
  } else {
    stand_in_ = std::make_unique<StandInWindow>(icon_, *this);
  }
}

TrayIcon::~TrayIcon() {
  // The tray refers to the menu: it goes first.
  tray_.reset();
  stand_in_.reset();
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

void TrayIcon::Show(const std::string& tip) {
  shown_ = true;
  const QString t = FromUtf8(tip);
  if (tray_) {
    tray_->setToolTip(t);
    tray_->show();
  } else {
    stand_in_->setToolTip(t);
    stand_in_->setWindowTitle(t);
    stand_in_->show();
  }
}

void TrayIcon::Hide() {
  shown_ = false;
  if (tray_) tray_->hide();
  if (stand_in_) stand_in_->hide();
}

QWidget* TrayIcon::StandIn() const {
  return stand_in_.get();
}

}  // namespace qt
