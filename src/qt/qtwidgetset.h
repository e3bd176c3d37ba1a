#pragma once
// The Qt widgetset: real windows for the component model. One peer per
// control kind, message boxes, and the bridge between the application's
// message loop and Qt's event loop (waiting for input, waking from any
// thread). Needs a QApplication, made by the caller before it.
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "qt/x11.h"
#include "ui/widgetset.h"

class QMessageBox;
class QTimer;

namespace qt {

class PanelPeer;

class QtWidgetset : public ui::Widgetset {
 public:
  // Answers a box instead of showing it modally (the pictures mode): gets
  // the prepared box and its first button's answer.
  using BoxHandler = std::function<int(QMessageBox& box, int first_answer)>;

  QtWidgetset();
  ~QtWidgetset() override;
  QtWidgetset(const QtWidgetset&) = delete;
  QtWidgetset& operator=(const QtWidgetset&) = delete;

  std::unique_ptr<ui::Peer> CreatePeer(ui::TControl& control) override;
  int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                 UINT flags) override;
  void WaitForInput() override;
  void Wake() override;
  int ScreenWidth() const override;
  int ScreenHeight() const override;

  // The widget showing the control; null when it has none.
  static QWidget* WidgetOf(const ui::TControl& control);
  // Takes a widget whose peer is gone: hidden now, deleted once no event
  // of it can be under way (the next wait at the outermost level).
  void Retire(QWidget* w);
  // Deletes the retired widgets now; only safe when no event of one of
  // them is being handled.
  void DeleteRetired();
  std::size_t RetiredCount() const { return retired_.size(); }

  // Panels whose drawn children changed ask for their repaint once, before
  // the program next waits, however many lamps switched meanwhile.
  void MarkDirty(PanelPeer* p);
  // A panel that goes forgets its repaint and its lagging backing store.
  void ForgetDirty(PanelPeer* p);
  void FlushDirty();
  // Lamps whose fills went straight to the X server are drawn into the
  // window's backing store only when Qt may next show or move what it
  // holds: before any event but the program's own timer batches, and
  // before any change to a widget. A panel whose backing store lags
  // behind the screen says so once.
  void MarkStale(PanelPeer* p) { stale_.push_back(p); }
  void CatchUp() {
    if (!stale_.empty()) CatchUpStale();
  }
  // Timer events to o are the program's timer batches: they change no
  // widget of Qt's own, so the backing stores need not catch up for them.
  void SetBatchTimerReceiver(const QObject* o) { batch_timer_receiver_ = o; }
  // A count that moves whenever any widget of the program moves, changes
  // size, shows, hides or is restacked: what a panel worked out about where
  // it shows holds while the count stays.
  unsigned WidgetChanges() const;

  // An embedded picture by file name (null pixmap when there is none).
  const QPixmap& Picture(const std::string& name);
  const QPixmap& Icon() { return Picture("MIXERICON.xpm"); }
  // The mixer icon at every size of the icon theme, drawn once.
  const QIcon& ThemedMixerIcon();

  // The display went away (the X server ended with the session): peers
  // stop touching their widgets, none are made, boxes take their first
  // button, so that the program can still save and end.
  void DisplayGone() { display_gone_ = true; }
  bool display_gone() const { return display_gone_; }

  // Runs each time the program's outermost loop is about to wait.
  void SetBeforeWait(std::function<void()> f) { before_wait_ = std::move(f); }

  // Runs once, the first time the application waits, instead of waiting.
  void SetIdleAction(std::function<void()> action) { idle_ = std::move(action); }
  void SetBoxHandler(BoxHandler h) { box_handler_ = std::move(h); }

 private:
  // Where a panel's children changed, in its window's coordinates.
  struct DirectPart {
    PanelPeer* peer;
    QRect area;
  };
  // Paints the parts of one window into its backing store and shows them.
  void PaintDirect(QWidget* window, std::span<const DirectPart> parts);
  void CatchUpStale();

  std::unique_ptr<QObject> waker_;
  std::atomic<bool> wake_pending_{false};
  std::thread::id gui_thread_ = std::this_thread::get_id();
  int wait_depth_ = 0;
  std::vector<QPointer<QWidget>> retired_;
  std::vector<PanelPeer*> dirty_;
  std::vector<PanelPeer*> flushing_;  // dirty_ while it is flushed
  std::unique_ptr<QTimer> flush_timer_;
  std::vector<PanelPeer*> stale_;
  const QObject* batch_timer_receiver_ = nullptr;
  class EventWatch;
  std::unique_ptr<EventWatch> event_watch_;
  std::vector<SolidFill> fills_;  // of the window being painted
  std::vector<DirectPart> direct_parts_;
  std::vector<const DirectPart*> painted_;  // parts of a window the painter takes
  std::map<std::string, QPixmap> pictures_;
  QIcon themed_icon_;
  std::function<void()> idle_;
  std::function<void()> before_wait_;
  BoxHandler box_handler_;
  bool direct_painting_ = false;
  bool display_gone_ = false;
};

// Qt's "Windows" style, the classic grey palette and the 11-pixel sans serif
// for the whole application.
void ApplyClassicLook();

}  // namespace qt
