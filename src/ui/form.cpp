#include "ui/form.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/layout.h"

namespace ui {

namespace {
constexpr int kCaptionHeight = 19;
constexpr int kToolCaptionHeight = 15;

std::vector<MenuItem> StandardSystemMenu() {
  return {{SC_RESTORE, "&Wiederherstellen"}, {SC_MOVE, "&Verschieben"},
          {SC_SIZE, "&Größe ändern"},        {SC_MINIMIZE, "Mi&nimieren"},
          {SC_MAXIMIZE, "Ma&ximieren"},      {0, "", false, true},
          {SC_CLOSE, "&Schließen\tAlt+F4"}};
}
}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner), system_menu_(StandardSystemMenu()) {
  TControl::SetVisible(false);
  if (Application()) Application()->AddForm(this);
}

TForm::~TForm() {
  if (Application()) Application()->RemoveForm(this);
}

void TForm::Initialize() {
  if (!LayoutName().empty()) ReadEmbeddedLayout(*this, LayoutName());
  FinishCreation();
}

void TForm::InitializeFrom(const std::string& file_name, std::string_view text) {
  LayoutReader(*this, file_name).Read(text);
  FinishCreation();
}

void TForm::FinishCreation() {
  if (Application()) Application()->NotifyForm(FormEvent::Created, *this);
  RunGuarded(OnCreate);
}

void TForm::BeforeDestruction() {
  TWinControl::BeforeDestruction();
  RunGuarded(OnDestroy);
  if (Application()) Application()->NotifyForm(FormEvent::Destroyed, *this);
}

void TForm::RunGuarded(const TNotifyEvent& e) {
  if (!e) return;
  try {
    e(this);
  } catch (const std::exception& ex) {
    if (Application())
      Application()->HandleException(ex);
    else
      throw;
  }
}

void TForm::SetVisible(bool v) {
  // Showing a form that is shown already brings it to the front.
  if (v && Visible()) Changed(Change::Raise);
  if (v == Visible()) return;
  if (v) {
    if (!positioned_) ApplyPosition();
    TControl::SetVisible(true);
    CreatePeers();
    if (Application()) Application()->NotifyForm(FormEvent::Shown, *this);
    RunGuarded(OnShow);
    // The window appears with what the show handler gave it (the stored
    // place and size), not before.
    if (Visible()) Changed(Change::Shown);
  } else {
    TControl::SetVisible(false);
    if (Application()) Application()->NotifyForm(FormEvent::Hidden, *this);
    RunGuarded(OnHide);
  }
}

void TForm::ApplyPosition() {
  positioned_ = true;
  if (position_ != TPosition::poScreenCenter && position_ != TPosition::poDesktopCenter) return;
  int sw = Application() ? Application()->widgetset().ScreenWidth() : 1024;
  int sh = Application() ? Application()->widgetset().ScreenHeight() : 768;
  SetBounds((sw - Width()) / 2, (sh - Height()) / 2, Width(), Height());
}

void TForm::Close() {
  if (modal_) {
    modal_result_ = mrCancel;
    return;
  }
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application() && Application()->MainForm() == this) {
    Application()->Terminate();
  } else if (action == TCloseAction::caHide) {
    Hide();
  } else if (action == TCloseAction::caMinimize) {
    SetWindowState(TWindowState::wsMinimized);
  } else if (Application()) {
    Application()->Release(this);
  }
}

int TForm::ShowModal() {
  TApplication* app = Application();
  if (!app) throw Exception("ShowModal needs an application");
  if (modal_ || Visible()) throw Exception("Sichtbares Fenster kann nicht modal gemacht werden");
  modal_ = true;
  modal_forced_end_ = false;
  modal_result_ = mrNone;
  app->ModalLoopStarted(this);
  app->NotifyForm(FormEvent::ModalStarted, *this);
  app->widgetset().ModalStarted(*this);
  Show();
  auto end = [&] {
    modal_ = false;
    app->ModalLoopEnded(this);
    Hide();
    app->widgetset().ModalEnded(*this);
    app->NotifyForm(FormEvent::ModalEnded, *this);
  };
  try {
    do {
      app->HandleMessage();
      if (app->Terminated() || modal_forced_end_) {
        modal_result_ = mrCancel;
      } else if (modal_result_ != mrNone) {
        // Closing a modal form asks its close handler, which may refuse.
        TCloseAction action = TCloseAction::caHide;
        if (OnClose) OnClose(this, action);
        if (action == TCloseAction::caNone) modal_result_ = mrNone;
      }
    } while (modal_result_ == mrNone);
  } catch (...) {
    end();
    throw;
  }
  end();
  return modal_result_;
}

void TForm::EndModalLoop() {
  if (!modal_) return;
  modal_forced_end_ = true;
  modal_result_ = mrCancel;
}

void TForm::FreeAfterModalRun() {
  TApplication* app = Application();
  if (modal_ || (app && app->RunsModalLoopOf(this)))
    Free();
  else
    Destroy();
}

void TForm::SetWindowState(TWindowState s) {
  if (s == window_state_) return;
  window_state_ = s;
  Changed(Change::Visible);
}

void TForm::SetIcon(HICON icon) {
  icon_ = icon;
  Changed(Change::Icon);
}

void TForm::SetTopmost(bool v) {
  topmost_ = v;
  Changed(Change::ZOrder);
}

int TForm::NonClientWidth() const {
  switch (border_style_) {
    case TFormBorderStyle::bsNone:
      return 0;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin:
      return 8;
    default:
      return 6;
  }
}

int TForm::NonClientHeight() const {
  if (border_style_ == TFormBorderStyle::bsNone) return 0;
  bool tool = border_style_ == TFormBorderStyle::bsToolWindow ||
              border_style_ == TFormBorderStyle::bsSizeToolWin;
  return NonClientWidth() + (tool ? kToolCaptionHeight : kCaptionHeight);
}

int TForm::ClientWidth() const {
  return std::max(0, Width() - NonClientWidth());
}
int TForm::ClientHeight() const {
  return std::max(0, Height() - NonClientHeight());
}
void TForm::SetClientWidth(int v) {
  SetWidth(v + NonClientWidth());
}
void TForm::SetClientHeight(int v) {
  SetHeight(v + NonClientHeight());
}

// The window asks WM_GETMINMAXINFO for its limits before every size change,
// as a real window does, so a form that pins its size keeps it.
MINMAXINFO TForm::SizeLimits() {
  MINMAXINFO mmi{};
  int sw = Application() ? Application()->widgetset().ScreenWidth() : 1024;
  int sh = Application() ? Application()->widgetset().ScreenHeight() : 768;
  mmi.ptMaxSize = {sw, sh};
  mmi.ptMinTrackSize = {112, 27};
  mmi.ptMaxTrackSize = {sw + 12, sh + 12};
  Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  mmi.ptMaxTrackSize.x = std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x);
  mmi.ptMaxTrackSize.y = std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y);
  return mmi;
}

void TForm::SetBounds(int left, int top, int width, int height) {
  if (!Loading()) {
    const MINMAXINFO mmi = SizeLimits();
    width = std::clamp<int>(width, mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x);
    height = std::clamp<int>(height, mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y);
  }
  TWinControl::SetBounds(left, top, width, height);
}

void TForm::DefaultHandler(TMessage& m) {
  if (m.Msg != WM_SYSCOMMAND) return;
  switch (m.WParam & 0xFFF0) {
    case SC_CLOSE:
      Close();
      break;
    case SC_MINIMIZE:
      SetWindowState(TWindowState::wsMinimized);
      break;
    case SC_MAXIMIZE:
      SetWindowState(TWindowState::wsMaximized);
      break;
    case SC_RESTORE:
      SetWindowState(TWindowState::wsNormal);
      break;
    default:
      break;
  }
}

const TForm::HandlerVariant* TForm::FindHandler(const std::string& name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : &it->second;
}

bool TForm::BindMember(const std::string& name, TComponent* c) {
  auto it = members_.find(name);
  if (it == members_.end()) return true;
  bound_[name] = true;
  return it->second(c);
}

void TForm::CheckMembersBound(int line) {
  for (const auto& [name, bind] : members_)
    if (!bound_.count(name)) throw LayoutError(line, "the layout has no component " + name);
}

bool TForm::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Position") {
    const std::string& p = v.AsIdent();
    if (p == "poScreenCenter")
      position_ = TPosition::poScreenCenter;
    else if (p == "poDesktopCenter")
      position_ = TPosition::poDesktopCenter;
    else if (p == "poDesigned")
      position_ = TPosition::poDesigned;
    else if (p == "poDefault")
      position_ = TPosition::poDefault;
    else if (p == "poOwnerFormCenter")
      position_ = TPosition::poOwnerFormCenter;
    else
      r.Fail(v.line, "unknown position " + p);
  } else if (name == "BorderStyle") {
    const std::string& b = v.AsIdent();
    if (b == "bsNone")
      border_style_ = TFormBorderStyle::bsNone;
    else if (b == "bsSingle")
      border_style_ = TFormBorderStyle::bsSingle;
    else if (b == "bsSizeable")
      border_style_ = TFormBorderStyle::bsSizeable;
    else if (b == "bsDialog")
      border_style_ = TFormBorderStyle::bsDialog;
    else if (b == "bsToolWindow")
      border_style_ = TFormBorderStyle::bsToolWindow;
    else if (b == "bsSizeToolWin")
      border_style_ = TFormBorderStyle::bsSizeToolWin;
    else
      r.Fail(v.line, "unknown border style " + b);
    if (border_style_ == TFormBorderStyle::bsDialog)
      system_menu_ = {{SC_MOVE, "&Verschieben"}, {0, "", false, true}, {SC_CLOSE, "&Schließen"}};
  } else if (name == "FormStyle") {
    topmost_ = v.AsIdent() == "fsStayOnTop";
  } else if (name == "BorderIcons" || name == "Scaled" || name == "PixelsPerInch" ||
             name == "TextHeight" || name == "OldCreateOrder" || name == "KeyPreview" ||
             name == "AutoScroll") {
    // window decoration and scaling details the model does not need
  } else if (name == "OnCreate")
    OnCreate = r.Notify(v);
  else if (name == "OnShow")
    OnShow = r.Notify(v);
  else if (name == "OnHide")
    OnHide = r.Notify(v);
  else if (name == "OnDestroy")
    OnDestroy = r.Notify(v);
  else if (name == "OnActivate")
    OnActivate = r.Notify(v);
  else if (name == "OnKeyUp")
    OnKeyUp = r.Key(v);
  else if (name == "OnClose") {
    const HandlerVariant* h = FindHandler(v.AsIdent());
    if (!h) r.Fail(v.line, "unknown handler " + v.s + " of " + ClassName());
    auto* e = std::get_if<TCloseEvent>(h);
    if (!e) r.Fail(v.line, "handler " + v.s + " does not fit this event");
    OnClose = *e;
  } else {
    return TWinControl::SetProperty(name, v, r);
  }
  return true;
}

}  // namespace ui
