#pragma once
// The meters' direct painting. Lamps change in batches (the ticks and polls
// of every window fall due together); the compositor keeps a record of each
// panel that draws lamps (`DirectPanel`), gathers those whose lamps
// switched and, just before the program next waits, shows the lamps that
// switched in each window as plain fills through a window sink. On X11 the
// sink draws them itself and the backing store is left to lag behind the
// screen; it catches up before Qt may show or move what it holds: before
// any event but the program's own timer batches (an application-wide
// filter), before any change to a widget (BeforeWidgetChange), and before
// Qt flushes a window. Where the fills cannot show the change (another
// widget over the panel, a panel seen in pieces, the frame or the focus
// touched) Qt repaints it; a window that is not exposed (minimised) keeps
// its changes until it is.
#include <QObject>
#include <QRect>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "qt/directpanel.h"
#include "qt/windowsink.h"
#include "ui/control.h"

class QTimer;
class QWidget;

namespace qt {

class Compositor {
 public:
  // waiting: whether the program waits in Qt's loop (a change then needs a
  // timer to be painted). sink: null for the X11 sink where there is one,
  // else the Qt sink.
  explicit Compositor(std::function<bool()> waiting, std::unique_ptr<WindowSink> sink = nullptr);
  ~Compositor();
  Compositor(const Compositor&) = delete;
  Compositor& operator=(const Compositor&) = delete;

  // The record of a panel whose drawn children the compositor shows; it
  // lives until Remove.
  DirectPanel& Add(const ui::TWinControl& panel, QWidget& widget);
  void Remove(DirectPanel& p);
  // Drawn children from first to last changed: the panel is shown once,
  // before the program next waits, however many lamps switched meanwhile.
  void ChildrenChanged(DirectPanel& p, const ui::TControl& first, const ui::TControl& last,
                       ui::Change what) {
    if (p.ChildrenChanged(first, last, what)) MarkDirty(p);
  }
  // Children came or went: the panel is repainted whole.
  void ChildListChanged(DirectPanel& p);

  // Shows what changed since the last flush.
  void Flush();
  // The program is about to wait: what changed is shown in this pass.
  void FlushBeforeWait();
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
  class EventWatch;
  // The panels of one window that can be shown directly, and where.
  struct Part {
    DirectPanel* panel;
    QRect area;
  };
  void MarkDirty(DirectPanel& p);
  // Shows the parts of one exposed window.
  void ShowWindow(QWidget* window, std::span<const Part> parts);
  // A window became exposed: the changes it kept are shown.
  void Unpark();
  void CatchUp();

  std::function<bool()> waiting_;
  std::unique_ptr<WindowSink> sink_;
  std::unique_ptr<EventWatch> event_watch_;
  std::unique_ptr<QTimer> flush_timer_;
  std::vector<std::unique_ptr<DirectPanel>> panels_;
  std::vector<DirectPanel*> dirty_;
  std::vector<DirectPanel*> flushing_;  // dirty_ while it is flushed
  std::vector<DirectPanel*> stale_;
  std::vector<DirectPanel*> parked_;  // of windows not exposed
  const QObject* batch_timer_receiver_ = nullptr;
  // Kept between passes: no allocation per pass.
  std::vector<SolidFill> fills_;  // of the window being shown
  std::vector<Part> parts_;
  std::vector<const Part*> filled_;  // parts of a window the fills show
  bool direct_painting_ = false;
  bool display_gone_ = false;
};

}  // namespace qt
