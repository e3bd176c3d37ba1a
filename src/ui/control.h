#pragma once
// TControl (anything with a place on a parent), TGraphicControl (drawn on
// its parent, no window of its own) and TWinControl (has a window handle and
// children). A parent lists its children without a window first, then the
// windowed ones, each group in insertion order.
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/component.h"
#include "ui/widgetset.h"
#include "ui/wintypes.h"

namespace ui {

class TWinControl;
class TForm;
class TShape;

using TColor = std::int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
constexpr TColor clWindow = static_cast<TColor>(0x80000005);
constexpr TColor clWindowText = static_cast<TColor>(0x80000008);
constexpr TColor clBtnShadow = static_cast<TColor>(0x80000010);
constexpr TColor clGrayText = static_cast<TColor>(0x80000011);
constexpr TColor clNone = 0x1FFFFFFF;
// A colour identifier ("clNavy") or nothing.
bool ColorFromIdent(const std::string& ident, TColor& out);

struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;
  TColor Color = clWindowText;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  bool operator==(const TFont&) const = default;
};

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TMessageHandler = std::function<void(TMessage&)>;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  TForm* GetParentForm() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign a);
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible itself and every parent up to a visible form.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);

  const std::string& Caption() const { return caption_; }
  virtual void SetCaption(const std::string& c);
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& f);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& h);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool v) { show_hint_ = v; }

  TNotifyEvent OnClick, OnDblClick, OnResize;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton b, TShiftState s, int x, int y);
  virtual void MouseMove(TShiftState s, int x, int y);
  virtual void MouseUp(TMouseButton b, TShiftState s, int x, int y);
  // The mouse wheel turned by notches over the control (positive: away
  // from the user). False leaves it to the parent.
  virtual bool MouseWheel(TShiftState s, int notches) {
    return OnMouseWheel ? OnMouseWheel(s, notches) : false;
  }
  std::function<bool(TShiftState, int)> OnMouseWheel;
  // A navigation key (arrows, Page Up/Down, Home/End) while the control has
  // a desktop's keyboard focus. False leaves it to the form. A control with
  // a handler takes the focus.
  virtual bool NavigationKey(WORD key, TShiftState s) {
    return OnNavigationKey ? OnNavigationKey(key, s) : false;
  }
  std::function<bool(WORD, TShiftState)> OnNavigationKey;
  // What the control's value reads, for a desktop's tool tip.
  std::function<std::string()> OnValueText;
  virtual void Resize();

  // The control's own pixels: columns 0 to Width() - 1, rows 0 to
  // Height() - 1. A release outside them clicks nothing.
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // The user's mouse button goes down and comes up over the control (a
  // widgetset forwards both, and the moves between them as MouseMove). The
  // control decides what is a click: a left button released within it
  // clicks it, before it hears the release (a speed button clicks itself
  // as it hears it).
  virtual void UserPress(TMouseButton b, TShiftState s, int x, int y);
  virtual void UserRelease(TMouseButton b, TShiftState s, int x, int y);
  // The second press of a double click.
  void UserDoublePress(TMouseButton b, TShiftState s, int x, int y);
  // Space went down or came up while the control has a desktop's keyboard
  // focus; false leaves it to the widgetset. A speed button takes it as the
  // left button at its middle.
  virtual bool UserSpace(bool down);
  // Whether the control takes a desktop's keyboard focus: a control with
  // navigation keys does, and a speed button.
  virtual bool TakesFocus() const { return static_cast<bool>(OnNavigationKey); }

  // What a user's click or double click on the control does; a click is
  // pressed and released at the control's middle unless the class says
  // otherwise.
  virtual void UserClick();
  virtual void UserDblClick();

  virtual bool IsWindowed() const { return false; }
  // The control as a shape, or null: cheaper than a cast for painting.
  virtual const TShape* AsShape() const { return nullptr; }

  // Window messages sent to (Perform) or posted to the control.
  LRESULT Perform(UINT msg, WPARAM w, LPARAM l);
  virtual void WndProc(TMessage& m);
  virtual void DefaultHandler(TMessage& m);
  void SetMessageHandler(UINT msg, TMessageHandler h) {
    handlers_[msg] = std::make_shared<const TMessageHandler>(std::move(h));
  }

  Peer* peer() const { return peer_.get(); }
  void CreatePeers();
  // Tells the peer; a control its parent draws tells the parent's peer.
  void Changed(Change what) {
    if (peer_)
      peer_->Changed(what);
    else if (drawn_by_parent_)
      ChildChanged(what);
  }
  // Drawn by its parent's peer together with the parent (the many tiny
  // lamps of a meter): such a control gets no peer of its own.
  bool DrawnByParent() const { return drawn_by_parent_; }
  void SetDrawnByParent(bool v);

  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 protected:
  virtual void BoundsChanged(bool size_changed);
  void DestroyPeers();
  void ChildChanged(Change what);

 private:
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;
  bool drawn_by_parent_ = false;
  bool enabled_ = true;
  std::string caption_;
  TFont font_;
  TColor color_ = clBtnFace;
  std::string hint_;
  bool show_hint_ = false;
  // Shared: a handler that replaces itself runs to its end.
  std::unordered_map<UINT, std::shared_ptr<const TMessageHandler>> handlers_;
  std::unique_ptr<Peer> peer_;
  friend class TWinControl;
};

class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TGraphicControl"; }
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }
  bool IsWindowed() const override { return true; }

  HWND Handle() const { return handle_; }
  int ControlCount() const;
  // Inline: painting a meter asks for its lamps one by one.
  TControl* Controls(int i) const {
    return i < static_cast<int>(graphic_.size()) ? graphic_.at(i)
                                                 : windowed_.at(i - graphic_.size());
  }
  std::vector<TControl*> ControlList() const;
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  // After a child came or went.
  virtual void ControlsChanged() {}
  // The first and last index of the children that the peer draws and that
  // may meet the rows top to bottom - 1: all of them unless the control
  // knows where its children lie.
  virtual std::pair<int, int> ChildrenInRows(int /*top*/, int /*bottom*/) const {
    return {0, ControlCount() - 1};
  }

  virtual int ClientWidth() const { return Width(); }
  virtual int ClientHeight() const { return Height(); }
  virtual void SetClientWidth(int v) { SetWidth(v); }
  virtual void SetClientHeight(int v) { SetHeight(v); }
  void AlignControls();
  void SetFocus();
  void Loaded() override;

  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 protected:
  void BoundsChanged(bool size_changed) override;

 private:
  HWND handle_;
  std::vector<TControl*> graphic_;
  std::vector<TControl*> windowed_;
  bool aligning_ = false;
};

// The windowed control with this handle, or null once it was destroyed.
TWinControl* FindControl(HWND h);

// Inline: a meter's lamps switch many times a second.
inline void TControl::ChildChanged(Change what) {
  if (parent_ && parent_->peer_) parent_->peer_->ChildChanged(*this, what);
}

}  // namespace ui
