#include "controls/slider.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/layout.h"
#include "ui/sysutils.h"

namespace controls {

TSlider::TSlider(ui::TComponent* owner) : ui::TPanel(owner) {
  // The thumb exists before the first geometry change reaches Resize.
  thumb_ = ui::Create<ui::TPanel>(this);
  thumb_->SetBounds(0, 0, btn_width_, btn_height_);
  thumb_->SetBevelOuter(ui::TBevelCut::bvRaised);
  thumb_->SetBorderSingle(true);
  thumb_->SetBorderWidth(1);
  thumb_->SetColor(ui::clSilver);
  thumb_->SetCaption("");
  grip_ = ui::Create<ui::TBevel>(thumb_);
  grip_->SetShape(ui::TBevelShape::bsTopLine);
  grip_->SetStyle(ui::TBevelStyle::bsLowered);
  grip_->SetParent(thumb_);
  grip_->SetBounds(1, (btn_height_ - 4) / 2, btn_width_ - 5, 2);
  thumb_->OnMouseDown = [this](ui::TComponent*, ui::TMouseButton, ui::TShiftState, int, int y) {
    ThumbMouseDown(y);
  };
  thumb_->OnMouseMove = [this](ui::TComponent*, ui::TShiftState, int, int y) { ThumbMouseMove(y); };
  // The thumb sits on the slider's parent, not on the slider: its wheel is
  // the slider's.
  thumb_->OnMouseWheel = [this](ui::TShiftState s, int notches) { return MouseWheel(s, notches); };
  thumb_->OnNavigationKey = [this](WORD key, ui::TShiftState s) { return NavigationKey(key, s); };
  thumb_->OnValueText = [this] { return ScaleReading(); };
  thumb_->OnMouseUp = [this](ui::TComponent*, ui::TMouseButton, ui::TShiftState, int, int) {
    dragging_ = false;
  };

  SetColor(ui::clBlack);
  SetBevelOuter(ui::TBevelCut::bvNone);
  SetBevelInner(ui::TBevelCut::bvLowered);
  SetCaption("");
  SetBounds(Left(), Top(), 4, 149);
}

// ---- geometry

int TSlider::ThumbLeft() const {
  return Left() + Width() / 2 - btn_width_ / 2;
}

int TSlider::ThumbTop() const {
  return Top() + Height() - btn_height_ / 2 - offset_ - move_restriction_;
}

void TSlider::MoveThumbToTop() {
  if (thumb_) thumb_->SetTop(ThumbTop());
}

void TSlider::PlaceGrip() {
  grip_->SetBounds(1, (thumb_->Height() - 4) / 2, thumb_->Width() - 5, 2);
}

void TSlider::RecomputeTravel() {
  travel_ = Height() - 2 * move_restriction_;
  offset_ = static_cast<int>(ui::RoundHalfEven(travel_ * fraction_));
}

double TSlider::ValueFraction() const {
  if (max_ == min_) return 0.0;
  return (static_cast<double>(position_) - min_) / (static_cast<double>(max_) - min_);
}

double TSlider::OffsetFraction() const {
  if (travel_ <= 0) return 0.0;
  return static_cast<double>(offset_) / travel_;
}

// Every change of the value passes through here.
void TSlider::ApplyFraction(double f) {
  if (Loading()) return;
  if (!(f >= 0.0 && f <= 1.0)) throw ui::ERangeError(kPositionRangeText);
  // A slider without a range has one place: the bottom.
  if (max_ == min_) f = 0.0;
  fraction_ = f;
  position_ =
      static_cast<std::int32_t>(ui::RoundHalfEven((static_cast<double>(max_) - min_) * f + min_));
  offset_ = static_cast<int>(ui::RoundHalfEven(travel_ * f));
  MoveThumbToTop();
  if (OnChange) OnChange(this);
}

// ---- properties

void TSlider::SetPosition(std::int32_t v) {
  if (v < min_ || v > max_) throw ui::ERangeError(kPositionRangeText);
  position_ = v;
  ApplyFraction(ValueFraction());
}

// The value is re-shown under the old bounds first. A Position already left
// outside them by an earlier bound change is not re-applied: that would
// raise the range error from a bound setter the caller used correctly.
void TSlider::SetMin(std::int32_t v) {
  double f = ValueFraction();
  if (f >= 0.0 && f <= 1.0) ApplyFraction(f);
  min_ = v;
}

void TSlider::SetMax(std::int32_t v) {
  double f = ValueFraction();
  if (f >= 0.0 && f <= 1.0) ApplyFraction(f);
  max_ = v;
}

void TSlider::SetBtnHeight(int v) {
  btn_height_ = v;
  thumb_->SetHeight(v);
  RecomputeTravel();
  MoveThumbToTop();
  PlaceGrip();
}

void TSlider::SetBtnWidth(int v) {
  btn_width_ = v;
  thumb_->SetWidth(v);
  thumb_->SetLeft(ThumbLeft());
  PlaceGrip();
}

void TSlider::SetMoveRestriction(int v) {
  move_restriction_ = v;
  RecomputeTravel();
  MoveThumbToTop();
}

// ---- placing the thumb

void TSlider::PlaceThumb() {
  if (!Parent()) return;
  thumb_->SetLeft(ThumbLeft());
  thumb_->SetParent(Parent());
  travel_ = Height() - 2 * move_restriction_;
  ApplyFraction(ValueFraction());
  PlaceGrip();
  placed_ = true;
}

void TSlider::Paint() {
  if (!placed_) PlaceThumb();
  thumb_->SetLeft(ThumbLeft());
  if (thumb_->Top() != ThumbTop()) MoveThumbToTop();
}

void TSlider::Loaded() {
  ui::TPanel::Loaded();
  if (!link_check_name_.empty()) {
    auto* c =
        Owner() ? dynamic_cast<ui::TCheckBox*>(Owner()->FindComponent(link_check_name_)) : nullptr;
    if (!c) throw ui::LayoutError(link_check_line_, "no check box " + link_check_name_);
    link_check_ = c;
    link_check_name_.clear();
  }
  if (Width() != 4) SetWidth(4);
  PlaceThumb();
}

// The thumb follows the groove to a new parent; a slider made at run time
// is placed as soon as it has a parent.
void TSlider::SetParent(ui::TWinControl* parent) {
  ui::TPanel::SetParent(parent);
  if (placed_) {
    thumb_->SetParent(parent);
    Paint();
  } else if (parent && !Loading()) {
    PlaceThumb();
  }
}

void TSlider::Resize() {
  if (Width() != 4) {
    SetWidth(4);  // runs Resize again with the forced width
    return;
  }
  RecomputeTravel();
  if (thumb_) {
    thumb_->SetLeft(ThumbLeft());
    MoveThumbToTop();
  }
  ui::TPanel::Resize();
}

// A moved groove takes its thumb along.
void TSlider::BoundsChanged(bool size_changed) {
  ui::TPanel::BoundsChanged(size_changed);
  if (placed_ && thumb_) thumb_->SetBounds(ThumbLeft(), ThumbTop(), btn_width_, btn_height_);
}

// ---- mouse on the thumb

void TSlider::ThumbMouseDown(int y) {
  dragging_ = true;
  grab_y_ = y;
}

void TSlider::ThumbMouseMove(int y) {
  if (!dragging_) return;
  offset_ += grab_y_ - y;
  offset_ = std::max(0, std::min(offset_, travel_));
  ApplyFraction(OffsetFraction());
}

void TSlider::DragThumb(int dy) {
  if (!Enabled()) return;
  const int x = thumb_->Width() / 2, y = thumb_->Height() / 2;
  thumb_->MouseDown(ui::TMouseButton::mbLeft, 0, x, y);
  thumb_->MouseMove(0, x, y - dy);
  thumb_->MouseUp(ui::TMouseButton::mbLeft, 0, x, y - dy);
}

int TSlider::TravelPart(int parts) const {
  return std::max(1, static_cast<int>(ui::RoundHalfEven(travel_ / static_cast<double>(parts))));
}

bool TSlider::MouseWheel(ui::TShiftState s, int notches) {
  DragThumb(notches * ((s & ui::ssShift) ? 1 : TravelPart(32)));
  return true;
}

bool TSlider::NavigationKey(WORD key, ui::TShiftState s) {
  int dy = 0;
  switch (key) {
    case ui::VK_UP:
    case ui::VK_DOWN:
      dy = (s & ui::ssShift) ? 1 : TravelPart(32);
      if (key == ui::VK_DOWN) dy = -dy;
      break;
    case ui::VK_PRIOR:
    case ui::VK_NEXT:
      dy = key == ui::VK_PRIOR ? TravelPart(4) : -TravelPart(4);
      break;
    case ui::VK_HOME:
      dy = travel_ - offset_;
      break;
    case ui::VK_END:
      dy = -offset_;
      break;
    default:
      return false;
  }
  if (dy != 0) DragThumb(dy);
  return true;
}

// ---- what the scale reads

namespace {

// Where a control's top left lies in its form's client area.
void FormOrigin(const ui::TControl& c, int& x, int& y) {
  x = c.Left();
  y = c.Top();
  for (const ui::TWinControl* p = c.Parent(); p && p->Parent(); p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
}

// A scale label's value: a number ("+12", "22.5", "-30") or the Symbol
// font's infinity sign for no level at all.
bool ScaleValue(const ui::TLabel& label, double& value) {
  const std::string& text = label.Caption();
  if (text == "\xC2\xA5" && label.Font().Name == "Symbol") {
    value = -std::numeric_limits<double>::infinity();
    return true;
  }
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end && *end == '\0';
}

struct Mark {
  double y;
  double value;
};

}  // namespace

double TSlider::ReadingAt(int offset) const {
  const ui::TForm* form = GetParentForm();
  const double none = std::numeric_limits<double>::quiet_NaN();
  if (!form || !thumb_) return none;
  int sx = 0, sy = 0;
  FormOrigin(*this, sx, sy);
  // The scale is the column of value labels nearest to the right of the
  // groove, along its length.
  std::vector<std::pair<int, Mark>> found;
  for (ui::TComponent* c : form->ComponentList()) {
    auto* label = dynamic_cast<ui::TLabel*>(c);
    double value = 0;
    if (!label || !label->Visible() || !ScaleValue(*label, value)) continue;
    int lx = 0, ly = 0;
    FormOrigin(*label, lx, ly);
    // A label beside the groove belongs to its scale, also one whose text
    // stands half out past the groove's end (the monitor faders' "+12").
    if (lx <= sx || ly + label->Height() < sy || ly > sy + Height()) continue;
    const double cy = ly + label->Height() / 2.0;
    found.push_back({lx, {cy, value}});
  }
  if (found.empty()) return none;
  int column = found.front().first;
  for (const auto& f : found) column = std::min(column, f.first);
  std::vector<Mark> marks;
  for (const auto& f : found)
    if (f.first - column < 12) marks.push_back(f.second);
  std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.y < b.y; });

  // The thumb's centre at that offset: the thumb stands offset_ - offset
  // pixels above where it would.
  int tx = 0, ty = 0;
  FormOrigin(*thumb_, tx, ty);
  const double y = ty + thumb_->Height() / 2.0 + (offset_ - offset);
  double value = marks.front().value;
  // The thumb's ends are the scale's ends, wherever the labels' text sits.
  if (offset <= 0 || y >= marks.back().y) {
    value = marks.back().value;
  } else if (offset < travel_ && y > marks.front().y) {
    std::size_t i = 1;
    while (marks[i].y < y) ++i;
    const Mark& a = marks[i - 1];
    Mark b = marks[i];
    // Towards "no level" the scale goes on as its last step above did.
    if (std::isinf(b.value) && i >= 2) b.value = a.value + (a.value - marks[i - 2].value);
    if (!std::isinf(b.value)) value = a.value + (b.value - a.value) * (y - a.y) / (b.y - a.y);
  }
  return value;
}

std::string TSlider::ScaleReading() const {
  const double value = ReadingAt(offset_);
  if (std::isnan(value)) return {};
  if (std::isinf(value)) return "-\xE2\x88\x9E dB";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f dB", value + 0.0);
  return text;
}

bool TSlider::SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) {
  auto i32 = [&] { return static_cast<std::int32_t>(v.AsInt()); };
  if (name == "Min")
    SetMin(i32());
  else if (name == "Max")
    SetMax(i32());
  else if (name == "Position")
    SetPosition(i32());
  else if (name == "BtnHeight")
    SetBtnHeight(i32());
  else if (name == "BtnWidth")
    SetBtnWidth(i32());
  else if (name == "MoveRestriction")
    SetMoveRestriction(i32());
  else if (name == "Number")
    SetNumber(i32());
  else if (name == "OnChange")
    OnChange = r.Notify(v);
  else if (name == "LinkCheck") {
    // The box may stand further down the layout: bound in Loaded.
    link_check_ = nullptr;
    link_check_name_ = v.AsIdent() == "nil" ? "" : v.AsIdent();
    link_check_line_ = v.line;
  } else
    return ui::TPanel::SetProperty(name, v, r);
  return true;
}

namespace user {

void Drag(ui::TControl* c, int dy) {
  auto* s = dynamic_cast<TSlider*>(c);
  if (!s) throw ui::Exception(c->Name() + " is not a slider");
  if (ui::Application())
    ui::Application()->Guard([&] { s->DragThumb(dy); });
  else
    s->DragThumb(dy);
}

}  // namespace user

}  // namespace controls
