#include "qt/compositor.h"

#include <QApplication>
#include <QBackingStore>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <optional>

#include "qt/paintedpeers.h"

namespace qt {

// Counts the changes of where widgets show, and lets lagging backing
// stores catch up before Qt handles an event.
class Compositor::EventWatch : public QObject {
 public:
  explicit EventWatch(Compositor& c) : compositor_(c) {}
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
    if (e->type() != QEvent::Timer || o != compositor_.batch_timer_receiver_)
      compositor_.BeforeWidgetChange();
    return false;
  }

 private:
  Compositor& compositor_;
};

bool IsOpaqueWindowImage(const QWidget* window, const QImage& image) {
  const QWindow* handle = window->windowHandle();
  return handle && !handle->format().hasAlpha() && image.devicePixelRatio() == 1.0 &&
         (image.format() == QImage::Format_RGB32 ||
          image.format() == QImage::Format_ARGB32_Premultiplied);
}

Compositor::Compositor(std::function<bool()> waiting, std::unique_ptr<WindowSink> sink)
    : waiting_(std::move(waiting)),
      sink_(std::move(sink)),
      event_watch_(std::make_unique<EventWatch>(*this)),
      flush_timer_(std::make_unique<QTimer>()) {
  if (!sink_) sink_ = MakeX11Sink();
  if (!sink_) sink_ = std::make_unique<QtSink>();
  qApp->installEventFilter(event_watch_.get());
  flush_timer_->setSingleShot(true);
  flush_timer_->setTimerType(Qt::PreciseTimer);
  flush_timer_->setInterval(0);
  QObject::connect(flush_timer_.get(), &QTimer::timeout, [this] { Flush(); });
  // The lamps are painted into a window's backing store directly only where
  // that store is an opaque image the program can put on the screen itself
  // (X11) or one nobody looks at but the pictures (offscreen). A Wayland
  // store holds translucent buffers that Qt must compose and commit.
  const QString platform = QGuiApplication::platformName();
  direct_painting_ = platform == QLatin1String("xcb") || platform == QLatin1String("offscreen");
}

Compositor::~Compositor() = default;

unsigned Compositor::WidgetChanges() const {
  return event_watch_->count;
}

// The meters of every window change at the same instants (their ticks and
// polls are handled in batches), but their messages arrive one by one: the
// repaint waits until the program next goes idle, so that one pass shows
// them all.
void Compositor::MarkDirty(PanelPeer* p) {
  if (display_gone_) return;
  dirty_.push_back(p);
  // The program's loop repaints before it next waits; a change made while
  // it waits (inside Qt's loop, or a loop of Qt's own) needs the timer.
  if (waiting_() && !flush_timer_->isActive()) flush_timer_->start();
}

void Compositor::Forget(PanelPeer* p) {
  std::erase(dirty_, p);
  std::erase(stale_, p);
}

void Compositor::FlushBeforeWait() {
  if (dirty_.empty()) return;
  flush_timer_->stop();
  Flush();
}

void Compositor::CatchUp() {
  std::vector<PanelPeer*> stale;
  stale.swap(stale_);
  for (PanelPeer* p : stale) p->CatchUp();
}

// The changed lamps of each window are painted straight into the window's
// backing store, as plain fills where they can be, and put on the screen
// together: Qt's repaint of a widget and its flush of each window cost far
// more than the few fills of the lamps. A panel that another widget
// covers, or whose window is not shown, is repainted the usual way.
void Compositor::Flush() {
  // Swapped with a list kept for it: no allocation per pass.
  std::vector<PanelPeer*>& dirty = flushing_;
  dirty.clear();
  dirty.swap(dirty_);
  if (display_gone_) return;
  if (!direct_painting_) {
    for (PanelPeer* p : dirty) p->FlushDirty();
    return;
  }
  std::vector<DirectPart>& parts = parts_;
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
      PaintWindow(window, {from, to});
    } else {
      for (auto part = from; part != to; ++part) part->peer->FlushDirty();
    }
    from = to;
  }
  sink_->Send();
}

void Compositor::PaintWindow(QWidget* window, std::span<const DirectPart> parts) {
  QBackingStore* store = window->backingStore();
  QPaintDevice* device = store->paintDevice();
  QImage* image =
      device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
  // The 32-bit image of a window without alpha (Qt keeps it premultiplied
  // for speed; every pixel is opaque) needs no clearing before it is
  // painted, so the bounds of the parts announce the painting as well as
  // their region.
  const bool plain = image && IsOpaqueWindowImage(window, *image);
  // Fills that the sink draws leave the backing store for later: most of
  // it is never shown from there.
  const bool lazy = plain && sink_->TakesFills(window);
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
  painted_areas_.clear();
  for (const DirectPart* part : painted) painted_areas_.push_back(part->area);
  if (plain && sink_->Show(window, fills_, image, painted_areas_)) return;
  // Qt shows the backing store: nothing in it may lag.
  CatchUp();
  QRegion all;
  for (const DirectPart& part : parts) all += part.area;
  store->flush(all, window->windowHandle());
}

}  // namespace qt
