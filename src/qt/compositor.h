#pragma once
// The meters' direct painting. Lamps change in batches (the ticks and polls
// of every window fall due together); the compositor gathers the panels
// whose drawn children changed and, just before the program next waits,
// paints the changed parts of each window straight into its backing store
// and shows them through a window sink. On X11 the sink draws the lamps'
// fills itself and the backing store is left to lag behind the screen; it
// catches up before Qt may show or move what it holds: before any event but
// the program's own timer batches (an application-wide filter), before any
// change to a widget (BeforeWidgetChange), and before Qt flushes a window.
#include <QObject>
#include <QRect>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "qt/windowsink.h"

class QPainter;
class QTimer;
class QWidget;

namespace qt {

class PanelPeer;

class Compositor {
 public:
  // waiting: whether the program waits in Qt's loop (a change then needs a
  // timer to be painted). sink: null for the X11 sink where there is one,
  // else the Qt sink.
  explicit Compositor(std::function<bool()> waiting, std::unique_ptr<WindowSink> sink = nullptr);
  ~Compositor();
  Compositor(const Compositor&) = delete;
  Compositor& operator=(const Compositor&) = delete;

  // A panel whose drawn children changed asks for its repaint once, before
  // the program next waits, however many lamps switched meanwhile.
  void MarkDirty(PanelPeer* p);
  // A panel that goes forgets its repaint and its lagging backing store.
  void Forget(PanelPeer* p);
  // Paints what changed since the last flush.
  void Flush();
  // The program is about to wait: what changed is painted in this pass.
  void FlushBeforeWait();
  // A panel whose lamps went to the screen without its backing store says
  // so once; the store catches up when Qt may next show what it holds.
  void MarkStale(PanelPeer* p) { stale_.push_back(p); }
  // Qt may show or move what the backing stores hold right away.
  void BeforeWidgetChange() {
    if (!stale_.empty()) CatchUp();
  }
  // Timer events to o are the program's timer batches: they change no
  // widget of Qt's own, so the backing stores need not catch up for them.
  void SetBatchTimerReceiver(const QObject* o) { batch_timer_receiver_ = o; }
  // A count that moves whenever any widget of the program moves, changes
  // size, shows, hides or is restacked: what a panel worked out about where
  // it shows holds while the count stays.
  unsigned WidgetChanges() const;
  // The display went away: nothing is painted any more.
  void DisplayGone() { display_gone_ = true; }

 private:
  // Where a panel's children changed, in its window's coordinates.
  struct DirectPart {
    PanelPeer* peer;
    QRect area;
  };
  class EventWatch;
  // Paints the parts of one window into its backing store and shows them.
  void PaintWindow(QWidget* window, std::span<const DirectPart> parts);
  void CatchUp();

  std::function<bool()> waiting_;
  std::unique_ptr<WindowSink> sink_;
  std::unique_ptr<EventWatch> event_watch_;
  std::unique_ptr<QTimer> flush_timer_;
  std::vector<PanelPeer*> dirty_;
  std::vector<PanelPeer*> flushing_;  // dirty_ while it is flushed
  std::vector<PanelPeer*> stale_;
  const QObject* batch_timer_receiver_ = nullptr;
  // Kept between passes: no allocation per pass.
  std::vector<SolidFill> fills_;  // of the window being painted
  std::vector<DirectPart> parts_;
  std::vector<const DirectPart*> painted_;  // parts of a window the painter takes
  std::vector<QRect> painted_areas_;
  bool direct_painting_ = false;
  bool display_gone_ = false;
};

}  // namespace qt
