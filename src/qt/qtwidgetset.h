#pragma once
// The Qt widgetset: real windows for the component model. One peer per
// control kind, message boxes, and the bridge between the application's
// message loop and Qt's event loop (waiting for input, waking from any
// thread). Needs a QApplication, made by the caller before it.
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "qt/peerhost.h"
#include "qt/windowsink.h"
#include "ui/widgetset.h"

class QMessageBox;

namespace qt {

class Compositor;

class QtWidgetset : public ui::Widgetset, public PeerHost {
 public:
  // Answers a box instead of showing it modally (the pictures mode): gets
  // the prepared box and its first button's answer.
  using BoxHandler = std::function<int(QMessageBox& box, int first_answer)>;

  // sink: where the meters' direct painting goes (null: X11 where the
  // program runs on it, else Qt's flush).
  explicit QtWidgetset(std::unique_ptr<WindowSink> sink = nullptr);
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

  // A widget whose peer is gone is deleted at the next wait at the
  // outermost level.
  void Retire(QWidget* w) override;
  // Deletes the retired widgets now; only safe when no event of one of
  // them is being handled.
  void DeleteRetired();
  std::size_t RetiredCount() const { return retired_.size(); }

  Compositor& compositor() override { return *compositor_; }
  // Timer events to o are the program's timer batches (see Compositor).
  void SetBatchTimerReceiver(const QObject* o);

  const QPixmap& Picture(const std::string& name) override;
  const QIcon& ThemedMixerIcon() override;
  void AnnounceChange(ControlPeer& peer, ui::Change what) override;

  // The display went away (the X server ended with the session): peers
  // stop touching their widgets, none are made, boxes take their first
  // button, so that the program can still save and end.
  void DisplayGone();
  bool display_gone() const override { return display_gone_; }

  // Runs each time the program's outermost loop is about to wait.
  void SetBeforeWait(std::function<void()> f) { before_wait_ = std::move(f); }

  // Runs once, the first time the application waits, instead of waiting.
  void SetIdleAction(std::function<void()> action) { idle_ = std::move(action); }
  void SetBoxHandler(BoxHandler h) { box_handler_ = std::move(h); }

 private:
  std::unique_ptr<QObject> waker_;
  std::atomic<bool> wake_pending_{false};
  std::thread::id gui_thread_ = std::this_thread::get_id();
  int wait_depth_ = 0;
  std::vector<QPointer<QWidget>> retired_;
  std::unique_ptr<Compositor> compositor_;
  std::unique_ptr<ui::PeerMaker> peer_maker_;
  std::map<std::string, QPixmap> pictures_;
  QIcon themed_icon_;
  std::function<void()> idle_;
  std::function<void()> before_wait_;
  BoxHandler box_handler_;
  bool display_gone_ = false;
};

// Qt's "Windows" style, the classic grey palette and the 11-pixel sans serif
// for the whole application.
void ApplyClassicLook();

}  // namespace qt
