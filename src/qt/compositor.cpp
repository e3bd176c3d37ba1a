#include "qt/compositor.h"

#include <QApplication>
#include <QBackingStore>
#include <QEvent>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "qt/directpanel.h"
#include "qt/lampfills.h"

namespace qt {

// Counts the changes of where widgets show, lets lagging backing stores
// catch up before Qt handles an event, and sees windows become exposed.
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
      case QEvent::Expose:
        if (!compositor_.parked_.empty()) compositor_.Unpark();
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

namespace {

// The 32-bit image of a window without alpha at scale 1 (Qt keeps it
// premultiplied for speed; every pixel is opaque): fills go into it as
// they are, and it needs no clearing before it is painted.
QImage* OpaqueWindowImage(const QWidget* window, QBackingStore* store) {
  QPaintDevice* device = store->paintDevice();
  if (!device || device->devType() != QInternal::Image) return nullptr;
  auto* image = static_cast<QImage*>(device);
  const QWindow* handle = window->windowHandle();
  const bool opaque = handle && !handle->format().hasAlpha() && image->devicePixelRatio() == 1.0 &&
                      (image->format() == QImage::Format_RGB32 ||
                       image->format() == QImage::Format_ARGB32_Premultiplied);
  return opaque ? image : nullptr;
}

}  // namespace

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

DirectPanel& Compositor::Add(const ui::TWinControl& panel, QWidget& widget) {
  panels_.push_back(std::make_unique<DirectPanel>(panel, widget));
  return *panels_.back();
}

void Compositor::Remove(DirectPanel& p) {
  for (auto* list : {&dirty_, &flushing_, &stale_, &parked_}) std::erase(*list, &p);
  std::erase_if(panels_, [&p](const std::unique_ptr<DirectPanel>& q) { return q.get() == &p; });
}

void Compositor::ChildListChanged(DirectPanel& p) {
  if (p.ChildListChanged()) MarkDirty(p);
}

// The meters of every window change at the same instants (their ticks and
// polls are handled in batches), but their messages arrive one by one: the
// changes wait until the program next goes idle, so that one pass shows
// them all.
void Compositor::MarkDirty(DirectPanel& p) {
  if (display_gone_) return;
  dirty_.push_back(&p);
  // The program's loop shows them before it next waits; a change made while
  // it waits (inside Qt's loop, or a loop of Qt's own) needs the timer.
  if (waiting_() && !flush_timer_->isActive()) flush_timer_->start();
}

void Compositor::FlushBeforeWait() {
  if (dirty_.empty()) return;
  flush_timer_->stop();
  Flush();
}

void Compositor::CatchUp() {
  std::vector<DirectPanel*> stale;
  stale.swap(stale_);
  for (DirectPanel* p : stale) p->CatchUp();
}

void Compositor::Unpark() {
  for (DirectPanel* p : parked_) MarkDirty(*p);
  parked_.clear();
  if (!flush_timer_->isActive()) flush_timer_->start();
}

// The lamps that switched in each window are shown as plain fills, put on
// the screen together: Qt's repaint of a widget and its flush of each
// window cost far more than the few fills of the lamps.
void Compositor::Flush() {
  // Swapped with a list kept for it: no allocation per pass.
  std::vector<DirectPanel*>& dirty = flushing_;
  dirty.clear();
  dirty.swap(dirty_);
  if (display_gone_) return;
  if (!direct_painting_) {
    for (DirectPanel* p : dirty) p->Repaint();
    return;
  }
  const unsigned widget_changes = WidgetChanges();
  std::vector<Part>& parts = parts_;
  parts.clear();
  for (DirectPanel* p : dirty) {
    switch (p->Locate(widget_changes)) {
      case DirectPanel::Showing::Nothing:
        p->Drop();
        break;
      case DirectPanel::Showing::Covered:
        p->Repaint();
        break;
      case DirectPanel::Showing::Direct:
        parts.push_back({p, p->ChangedArea()});
        break;
    }
  }
  // Window by window; the parts of a window do not overlap.
  std::sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
    return std::less<>()(a.panel->window(), b.panel->window());
  });
  for (auto from = parts.begin(); from != parts.end();) {
    QWidget* window = from->panel->window();
    auto to = std::find_if(from, parts.end(),
                           [window](const Part& p) { return p.panel->window() != window; });
    const QWindow* handle = window->windowHandle();
    if (handle && handle->isExposed() && window->backingStore()) {
      ShowWindow(window, {from, to});
    } else {
      // Minimised: nothing is drawn until it is exposed again.
      for (auto part = from; part != to; ++part)
        if (std::find(parked_.begin(), parked_.end(), part->panel) == parked_.end())
          parked_.push_back(part->panel);
    }
    from = to;
  }
  sink_->Send();
}

void Compositor::ShowWindow(QWidget* window, std::span<const Part> parts) {
  QBackingStore* store = window->backingStore();
  QImage* image = OpaqueWindowImage(window, store);
  fills_.clear();
  std::vector<const Part*>& filled = filled_;
  filled.clear();
  for (const Part& part : parts) {
    if (image && part.panel->AddFills(fills_))
      filled.push_back(&part);
    else
      part.panel->Repaint();
  }
  if (filled.empty()) return;
  // Fills that the sink draws leave the backing store for later: most of
  // it is never shown from there.
  if (sink_->TakesFills(window)) {
    sink_->Show(window, fills_);
    for (const Part* part : filled)
      if (part->panel->Shown(false)) stale_.push_back(part->panel);
    return;
  }
  // Qt shows the backing store: nothing in it may lag, and the fills go
  // into it first.
  CatchUp();
  QRect bounds;
  QRegion region;
  for (const Part* part : filled) {
    bounds |= part->area;
    region += part->area;
    part->panel->Shown(true);
  }
  store->beginPaint(bounds);
  FillPixels(*image, fills_);
  store->endPaint();
  store->flush(region, window->windowHandle());
}

}  // namespace qt
