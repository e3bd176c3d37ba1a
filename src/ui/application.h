#pragma once
// TApplication: the title, the forms, and the one message queue of the GUI
// thread. PostMessage may be called from any thread; everything else runs on
// the GUI thread. An exception that leaves a handler becomes the standard
// error report (a message box under the title), except the silent abort.
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/control.h"
#include "ui/widgetset.h"

namespace ui {

class TForm;

enum class FormEvent { Created, Shown, Hidden, Destroyed, ModalStarted, ModalEnded };

class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void FormChanged(FormEvent e, TForm& form) = 0;
};

// Shows a message box; returns the chosen button.
using MessageBoxFunction =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(Widgetset& ws);
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  Widgetset& widgetset() { return ws_; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& t) { title_ = t; }

  // Thread-safe. A message to a window that no longer exists is dropped.
  void PostMessage(HWND h, UINT msg, WPARAM w, LPARAM l);
  LRESULT SendMessage(HWND h, UINT msg, WPARAM w, LPARAM l);
  // Takes one message, waiting for one if the queue is empty, and handles it.
  void HandleMessage();
  // Handles every message waiting now; never waits.
  void ProcessMessages();
  // How often HandleMessage has waited: what the program touched before a
  // wait has likely left the processor's cache since.
  std::uint64_t Waits() const { return waits_; }

  bool Terminated() const { return terminated_; }
  void Terminate() { terminated_ = true; }

  // The silent abort ends quietly; anything else is shown.
  void HandleException(const std::exception& e);
  void ShowException(const std::exception& e);
  // The standard error report, shown once per user action: a failure that
  // repeats while one action goes on (a file every closing window writes
  // to) is reported the first time only.
  void ReportOnce(const std::exception& e);
  int MessageBox(const std::string& text, const std::string& caption, UINT flags,
                 HWND owner = nullptr);
  // Routes every message box (the framework's and the system's) through one
  // place; the program sets it to the platform's MessageBoxA.
  void SetMessageBoxFunction(MessageBoxFunction f) { box_function_ = std::move(f); }

  // Runs f as a handler: exceptions go to HandleException.
  template <typename F>
  void Guard(F&& f) {
    try {
      f();
    } catch (const std::exception& e) {
      HandleException(e);
    }
  }

  TNotifyEvent OnActivate, OnDeactivate;
  void Activate();
  void Deactivate();

  TForm* MainForm() const { return main_form_; }
  const std::vector<TForm*>& Forms() const { return forms_; }
  // Frees the form once the messages in the queue before it are handled.
  void Release(TForm* form);

  // Modal loops, innermost last.
  void ModalLoopStarted(TForm* f) { modal_loops_.push_back(f); }
  void ModalLoopEnded(TForm* f);
  bool InModalLoop() const { return !modal_loops_.empty(); }
  // True while the modal loop of c or of a form c owns runs.
  bool RunsModalLoopOf(const TComponent* c) const;
  // While a modal loop runs, the code that started it is still on the
  // stack, and it may belong to any window; so a component freed then is
  // freed once every modal loop has returned, when the main loop takes its
  // next step. The modal loops of forms it is or owns, and every loop
  // nested in them, end at once with mrCancel. True when the free was put
  // off.
  bool DeferFree(TComponent* c);
  // A component that goes is no longer waiting to be freed.
  void ForgetDeferred(TComponent* c);

  void SetObserver(FormObserver* o) { observer_ = o; }
  void NotifyForm(FormEvent e, TForm& f);
  void AddForm(TForm* f);
  void RemoveForm(TForm* f);

 private:
  struct Posted {
    HWND hwnd;
    TMessage msg;
  };
  bool TakeMessage(Posted& out);
  void FreeDeferred();
  void Dispatch(const Posted& p);

  Widgetset& ws_;
  std::string title_;
  std::mutex mutex_;
  std::deque<Posted> queue_;
  bool terminated_ = false;
  TForm* main_form_ = nullptr;
  std::vector<TForm*> forms_;
  std::vector<TForm*> modal_loops_;
  // Each step of a message loop is one user action.
  std::uint64_t action_ = 0;
  std::uint64_t waits_ = 0;
  std::uint64_t reported_action_ = 0;
  std::string reported_text_;
  std::vector<TComponent*> deferred_frees_;
  FormObserver* observer_ = nullptr;
  MessageBoxFunction box_function_;
  TApplication* previous_ = nullptr;
};

// The application of this thread's program or test; null when none exists.
TApplication* Application();

}  // namespace ui
