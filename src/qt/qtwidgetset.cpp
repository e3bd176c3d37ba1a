#include "qt/qtwidgetset.h"

#include <QApplication>
#include <QBackingStore>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <optional>
#include <thread>

#include "qt/accessible.h"
#include "qt/crispicon.h"
#include "qt/formpeer.h"
#include "qt/look.h"
#include "qt/messagebox.h"
#include "qt/paintedpeers.h"
#include "qt/stdpeers.h"
#include "qt/x11.h"
#include "ui/application.h"
#include "ui/headless.h"

namespace qt {

namespace {

template <typename P, typename C>
std::unique_ptr<ui::Peer> Make(QtWidgetset& ws, C& c) {
  auto p = std::make_unique<P>(ws, c);
  p->Attach();
  return p;
}

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

// Counts the changes of where widgets show, and lets lagging backing
// stores catch up before Qt handles an event.
class QtWidgetset::EventWatch : public QObject {
 public:
  explicit EventWatch(QtWidgetset& ws) : ws_(ws) {}
  unsigned count = 0;
  bool eventFilter(QObject* o, QEvent* e) override {
    switch (e->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::ZOrderChange:
      case QEvent::ParentChange:
      case QEvent::ChildAdded:
      case QEvent::ChildRemoved:
        ++count;
        break;
      default:
        break;
    }
    if (e->type() != QEvent::Timer || o != ws_.batch_timer_receiver_) ws_.CatchUp();
    return false;
  }

 private:
  QtWidgetset& ws_;
};

unsigned QtWidgetset::WidgetChanges() const {
  return event_watch_->count;
}

QtWidgetset::QtWidgetset()
    : waker_(std::make_unique<QObject>()), event_watch_(std::make_unique<EventWatch>(*this)) {
  qApp->installEventFilter(event_watch_.get());
  flush_timer_ = std::make_unique<QTimer>();
  flush_timer_->setSingleShot(true);
  flush_timer_->setTimerType(Qt::PreciseTimer);
  flush_timer_->setInterval(0);
  QObject::connect(flush_timer_.get(), &QTimer::timeout, [this] { FlushDirty(); });
  QApplication::setQuitOnLastWindowClosed(false);
  // The lamps are painted into a window's backing store directly only where
  // that store is an opaque image the program can put on the screen itself
  // (X11) or one nobody looks at but the pictures (offscreen). A Wayland
  // store holds translucent buffers that Qt must compose and commit.
  const QString platform = QGuiApplication::platformName();
  direct_painting_ = platform == QLatin1String("xcb") || platform == QLatin1String("offscreen");
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
  if (auto* f = dynamic_cast<ui::TForm*>(&c)) return Make<FormPeer>(*this, *f);
  if (auto* b = dynamic_cast<ui::TSpeedButton*>(&c)) return Make<SpeedButtonPeer>(*this, *b);
  if (auto* l = dynamic_cast<ui::TLabel*>(&c)) return Make<LabelPeer>(*this, *l);
  if (auto* b = dynamic_cast<ui::TBevel*>(&c)) return Make<BevelPeer>(*this, *b);
  if (auto* s = dynamic_cast<ui::TShape*>(&c)) return Make<ShapePeer>(*this, *s);
  if (auto* i = dynamic_cast<ui::TImage*>(&c)) return Make<ImagePeer>(*this, *i);
  if (auto* b = dynamic_cast<ui::TCheckBox*>(&c)) return Make<CheckBoxPeer>(*this, *b);
  if (auto* r = dynamic_cast<ui::TRadioButton*>(&c)) return Make<RadioButtonPeer>(*this, *r);
  if (auto* b = dynamic_cast<ui::TButton*>(&c)) return Make<ButtonPeer>(*this, *b);
  if (auto* e = dynamic_cast<ui::TEdit*>(&c)) return Make<EditPeer>(*this, *e);
  if (auto* l = dynamic_cast<ui::TListBox*>(&c)) return Make<ListBoxPeer>(*this, *l);
  if (auto* b = dynamic_cast<ui::TComboBox*>(&c)) return Make<ComboBoxPeer>(*this, *b);
  if (auto* t = dynamic_cast<ui::TTrackBar*>(&c)) return Make<TrackBarPeer>(*this, *t);
  if (auto* g = dynamic_cast<ui::TGroupBox*>(&c)) return Make<GroupBoxPeer>(*this, *g);
  if (auto* s = dynamic_cast<ui::TScrollBox*>(&c)) return Make<ScrollBoxPeer>(*this, *s);
  // Panels (the fader groove, its thumb and the meters among them), pages
  // and any other windowed control: a filled, bevelled area.
  if (auto* w = dynamic_cast<ui::TWinControl*>(&c)) return Make<PanelPeer>(*this, *w);
  return nullptr;
}

QWidget* QtWidgetset::WidgetOf(const ui::TControl& control) {
  ControlPeer* p = ControlPeer::Of(&control);
  return p ? p->widget() : nullptr;
}

int QtWidgetset::MessageBox(HWND owner, const std::string& text, const std::string& caption,
                            UINT flags) {
  QWidget* parent = nullptr;
  if (ui::TWinControl* c = ui::FindControl(owner)) {
    QWidget* w = WidgetOf(*c);
    if (w && w->isVisible()) parent = w->window();
  }
  if (display_gone_) return ui::FirstButtonOf(flags);
  MessageBoxView view(parent, text, caption, flags);
  if (box_handler_) return box_handler_(view.box(), ui::FirstButtonOf(flags));
  DepthScope depth(wait_depth_);
  return view.Run();
}

// The meters of every window change at the same instants (their ticks and
// polls are handled in batches), but their messages arrive one by one: the
// repaint waits until the program next goes idle, so that one pass shows
// them all.
void QtWidgetset::MarkDirty(PanelPeer* p) {
  if (display_gone_) return;
  dirty_.push_back(p);
  // The program's loop repaints before it next waits; a change made while
  // it waits (inside Qt's loop, or a loop of Qt's own) needs the timer.
  if (wait_depth_ > 0 && !flush_timer_->isActive()) flush_timer_->start();
}

void QtWidgetset::ForgetDirty(PanelPeer* p) {
  std::erase(dirty_, p);
  std::erase(stale_, p);
}

void QtWidgetset::CatchUpStale() {
  std::vector<PanelPeer*> stale;
  stale.swap(stale_);
  for (PanelPeer* p : stale) p->CatchUp();
}

// The changed lamps of each window are painted straight into the window's
// backing store, as plain fills where they can be, and put on the screen
// together: Qt's repaint of a widget and its flush of each window cost far
// more than the few fills of the lamps. A panel that another widget
// covers, or whose window is not shown, is repainted the usual way.
void QtWidgetset::FlushDirty() {
  // Swapped with a list kept for it: no allocation per pass.
  std::vector<PanelPeer*>& dirty = flushing_;
  dirty.clear();
  dirty.swap(dirty_);
  if (!direct_painting_ || display_gone_) {
    if (!display_gone_)
      for (PanelPeer* p : dirty) p->FlushDirty();
    return;
  }
  std::vector<DirectPart>& parts = direct_parts_;
  parts.clear();
  for (PanelPeer* p : dirty) {
    const QRect area = p->DirectArea();
    if (area.isEmpty())
      p->FlushDirty();
    else
      parts.push_back({p, area});
  }
  // Window by window; the parts of a window do not overlap.
  std::sort(parts.begin(), parts.end(), [](const DirectPart& a, const DirectPart& b) {
    return std::less<>()(a.peer->DirectWindow(), b.peer->DirectWindow());
  });
  for (auto from = parts.begin(); from != parts.end();) {
    QWidget* window = from->peer->DirectWindow();
    auto to = std::find_if(from, parts.end(), [window](const DirectPart& p) {
      return p.peer->DirectWindow() != window;
    });
    const QWindow* handle = window->windowHandle();
    if (handle && handle->isExposed() && window->backingStore()) {
      PaintDirect(window, {from, to});
    } else {
      for (auto part = from; part != to; ++part) part->peer->FlushDirty();
    }
    from = to;
  }
  SendWindowImages();
}

void QtWidgetset::PaintDirect(QWidget* window, std::span<const DirectPart> parts) {
  QBackingStore* store = window->backingStore();
  QPaintDevice* device = store->paintDevice();
  QImage* image =
      device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
  // The 32-bit image of a window without alpha (Qt keeps it premultiplied
  // for speed; every pixel is opaque) needs no clearing before it is
  // painted, so the bounds of the parts announce the painting as well as
  // their region.
  const bool plain = image && IsOpaqueWindowImage(window, *image);
  // Fills that the X server draws leave the backing store for later: most
  // of it is never shown from there.
  const bool lazy = plain && CanQueueWindowFills(window);
  fills_.clear();
  std::vector<const DirectPart*>& painted = painted_;  // by the painter
  painted.clear();
  if (lazy) {
    for (const DirectPart& part : parts)
      if (!part.peer->PaintPixels(nullptr, part.area, fills_)) painted.push_back(&part);
  } else {
    for (const DirectPart& part : parts) painted.push_back(&part);
  }
  if (!painted.empty()) {
    QRect bounds;
    QRegion region;
    for (const DirectPart* part : painted) {
      bounds |= part->area;
      if (!plain) region += part->area;
    }
    store->beginPaint(plain ? QRegion(bounds) : region);
    std::optional<QPainter> painter;
    std::erase_if(painted, [&](const DirectPart* part) {
      if (plain && !lazy && part->peer->PaintPixels(image, part->area, fills_)) return true;
      if (!painter) painter.emplace(store->paintDevice());
      part->peer->PaintDirect(*painter, part->area);
      return false;
    });
    painter.reset();
    store->endPaint();
  }
  bool queued = plain && QueueWindowFills(window, fills_);
  for (const DirectPart* part : painted)
    queued = queued && QueueWindowImage(window, *image, part->area);
  if (!queued) {
    // Qt shows the backing store: nothing in it may lag.
    CatchUp();
    QRegion all;
    for (const DirectPart& part : parts) all += part.area;
    store->flush(all, window->windowHandle());
  }
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
  if (!dirty_.empty()) {
    flush_timer_->stop();
    FlushDirty();
  }
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
