#pragma once
// TForm: a top-level window read from its layout file. It binds the layout's
// event properties to its handlers by name and its named components to its
// members, runs FormCreate / FormShow / FormClose / FormDestroy, dispatches
// window messages to handlers by number, and has a system menu.
#include <functional>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "ui/control.h"

namespace ui {

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TComponent* Sender, TCloseAction& Action)>;
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poOwnerFormCenter };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// Modal results, numbered as the message-box answers (IDOK ...); the set is
// kept whole where the program names only some.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
              mrNo = 7;

// System-menu commands handled by the window itself.
constexpr UINT SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030,
               SC_CLOSE = 0xF060, SC_RESTORE = 0xF120;

struct MenuItem {
  UINT id = 0;
  std::string caption;
  bool checked = false;
  bool separator = false;
};

class TButton;

class TForm : public TWinControl {
 public:
  using HandlerVariant =
      std::variant<TNotifyEvent, TMouseEvent, TMouseMoveEvent, TKeyEvent, TCloseEvent>;

  explicit TForm(TComponent* owner);
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  // Reads the form's layout (when it has one) and runs its creation handler.
  // Called once, right after construction, by CreateForm.
  void Initialize();
  // The same with a layout text of the caller's (tests, tools).
  void InitializeFrom(const std::string& file_name, std::string_view text);
  // Name of the embedded layout file ("Mixctrl.form"); empty: no layout.
  virtual std::string LayoutName() const { return ""; }

  void SetVisible(bool v) override;
  void BeforeDestruction() override;
  void Close();
  int ShowModal();
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int r) { modal_result_ = r; }
  bool Modal() const { return modal_; }
  // Ends a running modal loop with mrCancel without asking the close
  // handler: the form or its owner is going away.
  void EndModalLoop();
  // Frees a form that lived for one modal run, once ShowModal has returned:
  // at once, however deep the run was nested, since none of its code is on
  // the stack any more. While a loop of its own still runs, as Free.
  void FreeAfterModalRun();

  TWindowState WindowState() const { return window_state_; }
  void SetWindowState(TWindowState s);
  TFormBorderStyle BorderStyle() const { return border_style_; }
  TPosition Position() const { return position_; }
  HICON Icon() const { return icon_; }
  void SetIcon(HICON icon);
  bool Topmost() const { return topmost_; }
  void SetTopmost(bool v);
  TWinControl* ActiveControl() const { return active_control_; }
  void SetActiveControl(TWinControl* c) { active_control_ = c; }

  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientWidth(int v) override;
  void SetClientHeight(int v) override;
  void SetBounds(int left, int top, int width, int height) override;
  // What WM_GETMINMAXINFO answers now, from the screen's defaults: the
  // tracking limits of the window's outer size (the window manager's size
  // hints), the maximised size and position.
  MINMAXINFO SizeLimits();
  // The frame and title bar of the border style, around the client area.
  int NonClientWidth() const;
  int NonClientHeight() const;

  TNotifyEvent OnCreate, OnShow, OnHide, OnDestroy, OnActivate;
  TCloseEvent OnClose;
  TKeyEvent OnKeyUp;

  std::vector<MenuItem>& SystemMenu() { return system_menu_; }
  void SystemMenuChanged() { Changed(Change::Menu); }

  void DefaultHandler(TMessage& m) override;
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

  // For the layout reader.
  const HandlerVariant* FindHandler(const std::string& name) const;
  bool BindMember(const std::string& name, TComponent* c);
  void CheckMembersBound(int line);

 protected:
  // Handlers and members, registered by the form class's constructor.
  template <typename F>
  void Handler(const std::string& name, void (F::*m)(TComponent*)) {
    handlers_[name] = TNotifyEvent([this, m](TComponent* s) { (static_cast<F*>(this)->*m)(s); });
  }
  template <typename F>
  void Handler(const std::string& name, void (F::*m)(TComponent*, TCloseAction&)) {
    handlers_[name] = TCloseEvent(
        [this, m](TComponent* s, TCloseAction& a) { (static_cast<F*>(this)->*m)(s, a); });
  }
  template <typename F>
  void Handler(const std::string& name, void (F::*m)(TComponent*, WORD&, TShiftState)) {
    handlers_[name] = TKeyEvent([this, m](TComponent* s, WORD& k, TShiftState sh) {
      (static_cast<F*>(this)->*m)(s, k, sh);
    });
  }
  template <typename F>
  void Handler(const std::string& name,
               void (F::*m)(TComponent*, TMouseButton, TShiftState, int, int)) {
    handlers_[name] =
        TMouseEvent([this, m](TComponent* s, TMouseButton b, TShiftState sh, int x, int y) {
          (static_cast<F*>(this)->*m)(s, b, sh, x, y);
        });
  }
  template <typename C>
  void Member(const std::string& name, C*& field) {
    members_[name] = [&field](TComponent* c) {
      field = dynamic_cast<C*>(c);
      return field != nullptr;
    };
  }
  // Runs a creation, show or destruction handler the way the framework
  // does: an exception is reported (the silent abort quietly) and the form
  // goes on existing.
  void RunGuarded(const TNotifyEvent& e);

 private:
  void FinishCreation();
  void ApplyPosition();

  std::map<std::string, HandlerVariant> handlers_;
  std::map<std::string, std::function<bool(TComponent*)>> members_;
  std::map<std::string, bool> bound_;
  int modal_result_ = mrNone;
  bool modal_ = false;
  bool modal_forced_end_ = false;
  bool positioned_ = false;
  TWindowState window_state_ = TWindowState::wsNormal;
  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  TPosition position_ = TPosition::poDesigned;
  HICON icon_ = nullptr;
  bool topmost_ = false;
  TWinControl* active_control_ = nullptr;
  std::vector<MenuItem> system_menu_;
};

// Holds a form that lives for one modal run (std::unique_ptr's deleter).
struct ModalRunDeleter {
  void operator()(TForm* f) const {
    if (f) f->FreeAfterModalRun();
  }
};

// Creates a form, reads its layout and runs its creation handler.
template <typename F, typename... Args>
F* CreateForm(TComponent* owner, Args&&... args) {
  F* f = new F(owner, std::forward<Args>(args)...);
  try {
    f->Initialize();
  } catch (...) {
    f->Free();
    throw;
  }
  return f;
}

}  // namespace ui
