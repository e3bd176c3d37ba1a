#include "qt/qtwidgetset.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QToolTip>
#include <thread>

#include "qt/accessible.h"
#include "qt/compositor.h"
#include "qt/crispicon.h"
#include "qt/look.h"
#include "qt/messagebox.h"
#include "qt/peer.h"
#include "qt/peermaker.h"
#include "qt/windowmanager.h"
#include "ui/application.h"
#include "ui/controltraits.h"
#include "ui/headless.h"

namespace qt {

namespace {

// Keeps a count for the duration of a scope, also when it is left by an exception.
class DepthScope {
 public:
  explicit DepthScope(int& depth) : depth_(depth) { ++depth_; }
  ~DepthScope() { --depth_; }
  DepthScope(const DepthScope&) = delete;
  DepthScope& operator=(const DepthScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

void ApplyClassicLook() {
  if (QStyle* s = QStyleFactory::create(QStringLiteral("Windows"))) QApplication::setStyle(s);
  QPalette pal = QApplication::style()->standardPalette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::Window, FaceColor());
    pal.setColor(group, QPalette::Button, FaceColor());
    pal.setColor(group, QPalette::Light, HighlightColor());
    pal.setColor(group, QPalette::Midlight, QColor(223, 223, 223));
    pal.setColor(group, QPalette::Mid, ShadowColor());
    pal.setColor(group, QPalette::Dark, ShadowColor());
    pal.setColor(group, QPalette::Shadow, DarkShadowColor());
    pal.setColor(group, QPalette::Highlight, QColor(0, 0, 128));
    pal.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
    pal.setColor(group, QPalette::ToolTipText, Qt::black);
  }
  pal.setColor(QPalette::Disabled, QPalette::Window, FaceColor());
  pal.setColor(QPalette::Disabled, QPalette::Button, FaceColor());
  QApplication::setPalette(pal);
  QToolTip::setPalette(pal);
  QFont f(FamilyFor("Arial"));
  f.setPixelSize(11);
  QApplication::setFont(f);
}

QtWidgetset::QtWidgetset(std::unique_ptr<WindowSink> sink)
    : waker_(std::make_unique<QObject>()),
      compositor_(
          std::make_unique<Compositor>([this] { return wait_depth_ > 0; }, std::move(sink))),
      peer_maker_(MakePeerMaker(*this)) {
  QApplication::setQuitOnLastWindowClosed(false);
  UseDefaultColormaps();
  QApplication::setWindowIcon(ThemedMixerIcon());
  InstallAccessibility();
  // The program gaining or losing the user's attention.
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, waker_.get(),
                   [](Qt::ApplicationState s) {
                     ui::TApplication* app = ui::Application();
                     if (!app) return;
                     if (s == Qt::ApplicationActive)
                       app->Activate();
                     else if (s == Qt::ApplicationInactive)
                       app->Deactivate();
                   });
}

QtWidgetset::~QtWidgetset() {
  DeleteRetired();
}

std::unique_ptr<ui::Peer> QtWidgetset::CreatePeer(ui::TControl& c) {
  if (display_gone_) return nullptr;
  return ui::MakePeer(*peer_maker_, c);
}

void QtWidgetset::SetBatchTimerReceiver(const QObject* o) {
  compositor_->SetBatchTimerReceiver(o);
}

void QtWidgetset::DisplayGone() {
  display_gone_ = true;
  compositor_->DisplayGone();
}

int QtWidgetset::MessageBox(HWND owner, const std::string& text, const std::string& caption,
                            UINT flags) {
  QWidget* parent = nullptr;
  if (ui::TWinControl* c = ui::FindControl(owner)) {
    QWidget* w = ControlPeer::WidgetOf(*c);
    if (w && w->isVisible()) parent = w->window();
  }
  if (display_gone_) return ui::FirstButtonOf(flags);
  MessageBoxView view(parent, text, caption, flags);
  if (box_handler_) return box_handler_(view.box(), ui::FirstButtonOf(flags));
  DepthScope depth(wait_depth_);
  return view.Run();
}

void QtWidgetset::WaitForInput() {
  if (wait_depth_ == 0) {
    DeleteRetired();
    if (before_wait_) before_wait_();
  }
  DepthScope depth(wait_depth_);
  if (idle_) {
    std::function<void()> action = std::move(idle_);
    idle_ = nullptr;
    action();
    return;
  }
  // What changed since the last wait is painted in this pass, not in one
  // more turn of the loop.
  compositor_->FlushBeforeWait();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtWidgetset::Wake() {
  // A message posted on the GUI thread (a timer firing from Qt's loop) is
  // found when the loop returns: nobody waits to be woken.
  if (std::this_thread::get_id() == gui_thread_) return;
  // One wake-up on the way is enough; the loop then finds every message.
  if (wake_pending_.exchange(true)) return;
  QMetaObject::invokeMethod(
      waker_.get(), [this] { wake_pending_ = false; }, Qt::QueuedConnection);
}

int QtWidgetset::ScreenWidth() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : ui::Widgetset::ScreenWidth();
}

int QtWidgetset::ScreenHeight() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : ui::Widgetset::ScreenHeight();
}

void QtWidgetset::Retire(QWidget* w) {
  if (!w) return;
  // With the display gone the widget is left as it is: the program ends.
  if (display_gone_) return;
  w->hide();
  retired_.emplace_back(w);
}

void QtWidgetset::DeleteRetired() {
  // Deleting a parent deletes its children: the pointers to them go null.
  std::vector<QPointer<QWidget>> retired;
  retired.swap(retired_);
  for (QPointer<QWidget>& w : retired) delete w.data();
}

void QtWidgetset::AnnounceChange(ControlPeer& peer, ui::Change what) {
  AccessibleChanged(peer, what);
}

const QIcon& QtWidgetset::ThemedMixerIcon() {
  if (themed_icon_.isNull()) themed_icon_ = ThemedIcon(Icon().toImage());
  return themed_icon_;
}

const QPixmap& QtWidgetset::Picture(const std::string& name) {
  auto it = pictures_.find(name);
  if (it == pictures_.end()) it = pictures_.emplace(name, PictureResource(name)).first;
  return it->second;
}

}  // namespace qt
