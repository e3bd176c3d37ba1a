#include "ui/application.h"

#include <algorithm>

#include "ui/form.h"

namespace ui {

namespace {
TApplication* current = nullptr;
// Frees a released form once the messages posted before it are handled.
constexpr UINT CM_RELEASE = 0xB021;
constexpr UINT MB_ICONSTOP = 0x10;
}  // namespace

TApplication* Application() {
  return current;
}

TApplication::TApplication(Widgetset& ws) : TComponent(nullptr), ws_(ws), previous_(current) {
  current = this;
}

TApplication::~TApplication() {
  FreeDeferred();
  // Windows nobody owns go first, then the application's own; all while the
  // queue and form list still exist.
  for (auto it = forms_.rbegin(); it != forms_.rend();) {
    TForm* f = *it;
    if (f->Owner() == nullptr) {
      f->Free();
      it = forms_.rbegin();
    } else {
      ++it;
    }
  }
  while (ComponentCount() > 0) Components(ComponentCount() - 1)->Free();
  current = previous_;
}

void TApplication::PostMessage(HWND h, UINT msg, WPARAM w, LPARAM l) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({h, TMessage{msg, w, l, 0}});
  }
  ws_.Wake();
}

LRESULT TApplication::SendMessage(HWND h, UINT msg, WPARAM w, LPARAM l) {
  TWinControl* c = FindControl(h);
  return c ? c->Perform(msg, w, l) : 0;
}

bool TApplication::TakeMessage(Posted& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queue_.empty()) return false;
  out = queue_.front();
  queue_.pop_front();
  return true;
}

void TApplication::Dispatch(const Posted& p) {
  TWinControl* target = FindControl(p.hwnd);
  if (!target) return;
  if (p.msg.Msg == CM_RELEASE) {
    target->Free();
    return;
  }
  Guard([&] {
    TMessage m = p.msg;
    target->WndProc(m);
  });
}

void TApplication::HandleMessage() {
  // User input is a message of its own: after it the caller looks again
  // (a modal loop at its result, the main loop at its quit flag).
  ++action_;
  Posted p;
  if (!TakeMessage(p)) {
    if (terminated_) return;
    ++waits_;
    ws_.WaitForInput();
    if (TakeMessage(p)) Dispatch(p);
  } else {
    Dispatch(p);
  }
  // Only the main loop's step has no handler of any form below it.
  if (modal_loops_.empty()) FreeDeferred();
}

void TApplication::ModalLoopEnded(TForm* f) {
  auto it = std::find(modal_loops_.begin(), modal_loops_.end(), f);
  if (it != modal_loops_.end()) modal_loops_.erase(it);
}

static bool OwnedBy(const TComponent* c, const TComponent* owner) {
  for (; c; c = c->Owner())
    if (c == owner) return true;
  return false;
}

bool TApplication::RunsModalLoopOf(const TComponent* c) const {
  return std::any_of(modal_loops_.begin(), modal_loops_.end(),
                     [c](const TForm* f) { return OwnedBy(f, c); });
}

bool TApplication::DeferFree(TComponent* c) {
  if (c == this || modal_loops_.empty()) return false;
  auto inside = std::find_if(modal_loops_.begin(), modal_loops_.end(),
                             [c](TForm* f) { return OwnedBy(f, c); });
  for (auto it = inside; it != modal_loops_.end(); ++it) (*it)->EndModalLoop();
  if (std::find(deferred_frees_.begin(), deferred_frees_.end(), c) == deferred_frees_.end())
    deferred_frees_.push_back(c);
  return true;
}

void TApplication::ForgetDeferred(TComponent* c) {
  deferred_frees_.erase(std::remove(deferred_frees_.begin(), deferred_frees_.end(), c),
                        deferred_frees_.end());
}

void TApplication::FreeDeferred() {
  // Freeing one may free others it owns; each leaves the list as it goes.
  while (!deferred_frees_.empty()) deferred_frees_.front()->Free();
}

void TApplication::ProcessMessages() {
  Posted p;
  while (TakeMessage(p)) Dispatch(p);
}

void TApplication::HandleException(const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e)) return;
  ShowException(e);
}

// The message gets a full stop unless it ends in one (or in a character
// below it), as the framework's report writes it.
void TApplication::ShowException(const std::exception& e) {
  std::string msg = e.what();
  if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
  MessageBox(msg, title_, MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags,
                             HWND owner) {
  if (box_function_) return box_function_(owner, text, caption, flags);
  return ws_.MessageBox(owner, text, caption, flags);
}

void TApplication::ReportOnce(const std::exception& e) {
  if (reported_action_ == action_ && reported_text_ == e.what()) return;
  reported_action_ = action_;
  reported_text_ = e.what();
  ShowException(e);
}

void TApplication::Activate() {
  if (OnActivate) Guard([&] { OnActivate(this); });
}

void TApplication::Deactivate() {
  if (OnDeactivate) Guard([&] { OnDeactivate(this); });
}

void TApplication::Release(TForm* form) {
  PostMessage(form->Handle(), CM_RELEASE, 0, 0);
}

void TApplication::NotifyForm(FormEvent e, TForm& f) {
  if (observer_) observer_->FormChanged(e, f);
}

void TApplication::AddForm(TForm* f) {
  forms_.push_back(f);
  if (!main_form_ && f->Owner() == this) main_form_ = f;
}

void TApplication::RemoveForm(TForm* f) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
  if (main_form_ == f) main_form_ = nullptr;
}

}  // namespace ui
