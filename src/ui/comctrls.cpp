#include "ui/comctrls.h"

#include <algorithm>

#include "ui/layout.h"

namespace ui {

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 150, 45);
}

void TTrackBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  SetPosition(position_);
}

void TTrackBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  SetPosition(position_);
}

void TTrackBar::SetPosition(int v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  Changed(Change::State);
  if (OnChange && !Loading()) OnChange(this);
}

bool TTrackBar::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Min")
    SetMin(static_cast<int>(v.AsInt()));
  else if (name == "Max")
    SetMax(static_cast<int>(v.AsInt()));
  else if (name == "Position")
    SetPosition(static_cast<int>(v.AsInt()));
  else if (name == "Frequency")
    frequency_ = static_cast<int>(v.AsInt());
  else if (name == "PageSize")
    page_size_ = static_cast<int>(v.AsInt());
  else if (name == "OnChange")
    OnChange = r.Notify(v);
  else if (name == "Orientation" || name == "TickMarks" || name == "TickStyle" ||
           name == "LineSize" || name == "ThumbLength")
    ;
  else
    return TWinControl::SetProperty(name, v, r);
  return true;
}

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {}

TTabSheet::~TTabSheet() {
  if (page_control_) {
    auto& p = page_control_->pages_;
    p.erase(std::remove(p.begin(), p.end(), this), p.end());
    if (page_control_->active_ == this) page_control_->active_ = nullptr;
  }
}

void TTabSheet::SetParent(TWinControl* parent) {
  TWinControl::SetParent(parent);
  if (auto* pc = dynamic_cast<TPageControl*>(parent); pc && page_control_ != pc) {
    page_control_ = pc;
    pc->pages_.push_back(this);
  }
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  for (TTabSheet* p : pages_) p->page_control_ = nullptr;
}

void TPageControl::SetActivePage(TTabSheet* p) {
  if (p && p->page_control_ != this) return;
  active_ = p;
  Changed(Change::State);
}

void TPageControl::Loaded() {
  TWinControl::Loaded();
  for (TTabSheet* p : pages_)
    if (p->Name() == active_name_) active_ = p;
  if (!active_ && !pages_.empty()) active_ = pages_.front();
}

bool TPageControl::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "ActivePage")
    active_name_ = v.AsIdent();
  else
    return TWinControl::SetProperty(name, v, r);
  return true;
}

}  // namespace ui
