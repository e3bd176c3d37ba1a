#include "ui/buttons.h"

#include "ui/layout.h"

namespace ui {

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 23, 22);
}

void TSpeedButton::SetDown(bool v) {
  SetDownState(v);
}

void TSpeedButton::SetDownState(bool v) {
  if (group_index_ == 0) v = false;
  if (v == down_) return;
  // The pressed button of a group that must keep one pressed stays down.
  if (down_ && !allow_all_up_) return;
  down_ = v;
  state_ = v ? State::Exclusive : State::Up;
  Changed(Change::State);
  if (v) ReleaseGroup();
}

// The other buttons of the group on the same parent go up without a click,
// and take this button's AllowAllUp.
void TSpeedButton::ReleaseGroup() {
  if (!Parent()) return;
  for (TControl* c : Parent()->ControlList()) {
    auto* b = dynamic_cast<TSpeedButton*>(c);
    if (!b || b == this || b->group_index_ != group_index_) continue;
    if (b->down_) {
      b->down_ = false;
      b->state_ = State::Up;
      b->Changed(Change::State);
    }
    b->allow_all_up_ = allow_all_up_;
  }
}

void TSpeedButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TGraphicControl::MouseDown(b, s, x, y);
  if (b == TMouseButton::mbLeft && Enabled()) {
    if (!down_) state_ = State::Down;
    dragging_ = true;
  }
}

void TSpeedButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  TGraphicControl::MouseUp(b, s, x, y);
  if (!dragging_) return;
  dragging_ = false;
  const bool do_click = Contains(x, y);
  if (group_index_ == 0) {
    state_ = State::Up;
  } else if (do_click) {
    SetDown(!down_);
  } else if (down_) {
    state_ = State::Exclusive;
  }
  if (do_click) Click();
}

void TSpeedButton::UserRelease(TMouseButton b, TShiftState s, int x, int y) {
  MouseUp(b, s, x, y);
}

bool TSpeedButton::UserSpace(bool down) {
  const int x = Width() / 2, y = Height() / 2;
  if (down)
    UserPress(TMouseButton::mbLeft, 0, x, y);
  else
    UserRelease(TMouseButton::mbLeft, 0, x, y);
  return true;
}

void TSpeedButton::CopyLook(const TSpeedButton& from) {
  layout_ = from.layout_;
  margin_ = from.margin_;
  spacing_ = from.spacing_;
  num_glyphs_ = from.num_glyphs_;
  flat_ = from.flat_;
}

bool TSpeedButton::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Down")
    SetDown(v.AsBool());
  else if (name == "GroupIndex")
    group_index_ = static_cast<int>(v.AsInt());
  else if (name == "AllowAllUp")
    allow_all_up_ = v.AsBool();
  else if (name == "Flat")
    flat_ = v.AsBool();
  else if (name == "Margin")
    margin_ = static_cast<int>(v.AsInt());
  else if (name == "Spacing")
    spacing_ = static_cast<int>(v.AsInt());
  else if (name == "NumGlyphs")
    num_glyphs_ = static_cast<int>(v.AsInt());
  else if (name == "Layout")
    ;
  else
    return TGraphicControl::SetProperty(name, v, r);
  return true;
}

}  // namespace ui
