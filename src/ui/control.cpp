#include "ui/control.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/layout.h"
#include "ui/safeptr.h"

namespace ui {

namespace {

// Window handles are numbers that are never reused, so a message posted to
// a window that is gone finds nothing and is dropped.
std::unordered_map<std::uintptr_t, TWinControl*>& HandleTable() {
  static std::unordered_map<std::uintptr_t, TWinControl*> table;
  return table;
}
std::uintptr_t next_handle = 0x10010;

struct NamedColor {
  const char* name;
  TColor color;
};
constexpr NamedColor kColors[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clNavy", clNavy},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clWhite", clWhite},
    {"clBtnFace", clBtnFace},
    {"clWindow", clWindow},
    {"clWindowText", clWindowText},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clNone", clNone},
};

}  // namespace

bool ColorFromIdent(const std::string& ident, TColor& out) {
  for (const auto& c : kColors)
    if (ident == c.name) {
      out = c.color;
      return true;
    }
  return false;
}

TWinControl* FindControl(HWND h) {
  auto it = HandleTable().find(HandleValue(h));
  return it == HandleTable().end() ? nullptr : it->second;
}

void Peer::ChildrenChanged(TControl& first, TControl& last, Change what) {
  const TWinControl* parent = first.Parent();
  bool inside = false;
  for (int i = 0; parent && i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    inside = inside || c == &first;
    if (inside) ChildChanged(*c, what);
    if (c == &last) break;
  }
}

// ---- TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  DestroyPeers();
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EComponentError("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

TForm* TControl::GetParentForm() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  bool size_changed = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged(size_changed);
}

void TControl::BoundsChanged(bool size_changed) {
  Changed(Change::Bounds);
  if (size_changed && !Loading()) Resize();
  if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
}

void TControl::SetAlign(TAlign a) {
  if (a == align_) return;
  align_ = a;
  if (parent_) parent_->AlignControls();
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed(Change::Visible);
  if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Changed(Change::Enabled);
}

void TControl::SetCaption(const std::string& c) {
  if (c == caption_) return;
  caption_ = c;
  Changed(Change::Caption);
}

void TControl::SetFont(const TFont& f) {
  font_ = f;
  Changed(Change::Font);
}

void TControl::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Changed(Change::Color);
}

void TControl::SetHint(const std::string& h) {
  hint_ = h;
  Changed(Change::Hint);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::UserPress(TMouseButton b, TShiftState s, int x, int y) {
  MouseDown(b, s, x, y);
}

void TControl::UserRelease(TMouseButton b, TShiftState s, int x, int y) {
  // The click may free the control.
  const TSafePtr<TControl> alive(this);
  if (b == TMouseButton::mbLeft && Contains(x, y)) Click();
  if (alive) MouseUp(b, s, x, y);
}

void TControl::UserDoublePress(TMouseButton b, TShiftState s, int x, int y) {
  const TSafePtr<TControl> alive(this);
  DblClick();
  if (alive) UserPress(b, s, x, y);
}

bool TControl::UserSpace(bool) {
  return false;
}

void TControl::UserClick() {
  const int x = width_ / 2, y = height_ / 2;
  const TSafePtr<TControl> alive(this);
  UserPress(TMouseButton::mbLeft, 0, x, y);
  if (alive) UserRelease(TMouseButton::mbLeft, 0, x, y);
}

void TControl::UserDblClick() {
  DblClick();
}

LRESULT TControl::Perform(UINT msg, WPARAM w, LPARAM l) {
  TMessage m{msg, w, l, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  auto it = handlers_.find(m.Msg);
  if (it != handlers_.end()) {
    // Held: the handler may replace itself.
    const std::shared_ptr<const TMessageHandler> h = it->second;
    (*h)(m);
  } else {
    DefaultHandler(m);
  }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::SetDrawnByParent(bool v) {
  if (v == drawn_by_parent_) return;
  drawn_by_parent_ = v;
  if (v)
    DestroyPeers();
  else
    CreatePeers();
  if (parent_ && parent_->peer_) parent_->peer_->ChildListChanged();
}

void TControl::CreatePeers() {
  if (!peer_ && !drawn_by_parent_ && Application() && (!parent_ || parent_->peer_))
    peer_ = Application()->widgetset().CreatePeer(*this);
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (TControl* c : w->ControlList()) c->CreatePeers();
}

void TControl::DestroyPeers() {
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (TControl* c : w->ControlList()) c->DestroyPeers();
  peer_.reset();
}

bool TControl::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  auto geometry = [&](int& field) {
    field = static_cast<int>(v.AsInt());
    BoundsChanged(true);
  };
  if (name == "Left")
    geometry(left_);
  else if (name == "Top")
    geometry(top_);
  else if (name == "Width")
    geometry(width_);
  else if (name == "Height")
    geometry(height_);
  else if (name == "Align") {
    static const std::map<std::string, TAlign> kAligns = {
        {"alNone", TAlign::alNone}, {"alTop", TAlign::alTop},     {"alBottom", TAlign::alBottom},
        {"alLeft", TAlign::alLeft}, {"alRight", TAlign::alRight}, {"alClient", TAlign::alClient}};
    auto it = kAligns.find(v.AsIdent());
    if (it == kAligns.end()) r.Fail(v.line, "unknown alignment " + v.s);
    SetAlign(it->second);
  } else if (name == "Visible")
    SetVisible(v.AsBool());
  else if (name == "Enabled")
    SetEnabled(v.AsBool());
  else if (name == "Caption")
    SetCaption(v.AsString());
  else if (name == "Color")
    SetColor(r.Color(v));
  else if (name == "ParentColor" || name == "ParentFont" || name == "ParentShowHint" ||
           name == "ParentCtl3D" || name == "Ctl3D" || name == "TabOrder" || name == "TabStop" ||
           name == "Cursor" || name == "Anchors")
    ;  // look and keyboard order only: accepted, nothing to keep
  else if (name == "Hint")
    SetHint(v.AsString());
  else if (name == "ShowHint")
    SetShowHint(v.AsBool());
  else if (name.rfind("Font.", 0) == 0)
    r.ApplyFont(font_, name.substr(5), v);
  else if (name == "OnClick")
    OnClick = r.Notify(v);
  else if (name == "OnDblClick")
    OnDblClick = r.Notify(v);
  else if (name == "OnResize")
    OnResize = r.Notify(v);
  else if (name == "OnMouseDown")
    OnMouseDown = r.Mouse(v);
  else if (name == "OnMouseUp")
    OnMouseUp = r.Mouse(v);
  else if (name == "OnMouseMove")
    OnMouseMove = r.MouseMove(v);
  else
    return TComponent::SetProperty(name, v, r);
  return true;
}

// ---- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  handle_ = HandleFromValue<HWND>(next_handle);
  next_handle += 4;
  HandleTable()[HandleValue(handle_)] = this;
}

TWinControl::~TWinControl() {
  HandleTable().erase(HandleValue(handle_));
  // Children owned elsewhere lose their parent, as a window's children do.
  for (TControl* c : ControlList()) c->parent_ = nullptr;
  graphic_.clear();
  windowed_.clear();
}

int TWinControl::ControlCount() const {
  return static_cast<int>(graphic_.size() + windowed_.size());
}

std::vector<TControl*> TWinControl::ControlList() const {
  std::vector<TControl*> all(graphic_);
  all.insert(all.end(), windowed_.begin(), windowed_.end());
  return all;
}

void TWinControl::InsertControl(TControl* c) {
  (c->IsWindowed() ? windowed_ : graphic_).push_back(c);
  c->parent_ = this;
  if (peer()) c->CreatePeers();
  if (c->Align() != TAlign::alNone) AlignControls();
  if (peer()) peer()->ChildListChanged();
  ControlsChanged();
}

void TWinControl::RemoveControl(TControl* c) {
  // A control leaving from its destructor no longer answers IsWindowed()
  // as its class would, so it is looked for in both lists.
  auto* list = &graphic_;
  auto it = std::find(list->begin(), list->end(), c);
  if (it == list->end()) {
    list = &windowed_;
    it = std::find(list->begin(), list->end(), c);
    if (it == list->end()) return;
  }
  c->DestroyPeers();
  list->erase(it);
  c->parent_ = nullptr;
  if (c->Align() != TAlign::alNone) AlignControls();
  if (peer()) peer()->ChildListChanged();
  ControlsChanged();
}

void TWinControl::BoundsChanged(bool size_changed) {
  TControl::BoundsChanged(size_changed);
  if (size_changed) AlignControls();
}

void TWinControl::Loaded() {
  TControl::Loaded();
  AlignControls();
}

// Top-aligned children stack from the top in the order of their tops,
// bottom-aligned ones from the bottom, then left, right, and the client one
// takes what is left.
void TWinControl::AlignControls() {
  if (aligning_ || Loading() || Destroying()) return;
  aligning_ = true;
  int l = 0, t = 0, r = ClientWidth(), b = ClientHeight();
  auto place = [&](TAlign a) {
    std::vector<TControl*> list;
    for (TControl* c : ControlList())
      if (c->Align() == a && c->Visible()) list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
      switch (a) {
        case TAlign::alTop:
          return x->Top() < y->Top();
        case TAlign::alBottom:
          return x->Top() + x->Height() > y->Top() + y->Height();
        case TAlign::alLeft:
          return x->Left() < y->Left();
        case TAlign::alRight:
          return x->Left() + x->Width() > y->Left() + y->Width();
        default:
          return false;
      }
    });
    for (TControl* c : list) {
      switch (a) {
        case TAlign::alTop:
          c->SetBounds(l, t, r - l, c->Height());
          t += c->Height();
          break;
        case TAlign::alBottom:
          c->SetBounds(l, b - c->Height(), r - l, c->Height());
          b -= c->Height();
          break;
        case TAlign::alLeft:
          c->SetBounds(l, t, c->Width(), b - t);
          l += c->Width();
          break;
        case TAlign::alRight:
          c->SetBounds(r - c->Width(), t, c->Width(), b - t);
          r -= c->Width();
          break;
        case TAlign::alClient:
          c->SetBounds(l, t, std::max(0, r - l), std::max(0, b - t));
          break;
        case TAlign::alNone:
          break;
      }
    }
  };
  for (TAlign a :
       {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
    place(a);
  aligning_ = false;
}

void TWinControl::SetFocus() {
  if (TForm* f = GetParentForm()) f->SetActiveControl(this);
}

bool TWinControl::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "ClientWidth")
    SetClientWidth(static_cast<int>(v.AsInt()));
  else if (name == "ClientHeight")
    SetClientHeight(static_cast<int>(v.AsInt()));
  else
    return TControl::SetProperty(name, v, r);
  return true;
}

}  // namespace ui
