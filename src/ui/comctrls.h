#pragma once
// Track bar and page control.
#include <string>
#include <vector>

#include "ui/control.h"

namespace ui {

class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* owner);
  const char* ClassName() const override { return "TTrackBar"; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int v);
  void SetMax(int v);
  // Clamped to Min..Max; runs OnChange when the position changes.
  void SetPosition(int v);
  int Frequency() const { return frequency_; }
  int PageSize() const { return page_size_; }
  TNotifyEvent OnChange;
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  int min_ = 0, max_ = 10, position_ = 0, frequency_ = 1, page_size_ = 2;
};

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  const char* ClassName() const override { return "TTabSheet"; }
  void SetParent(TWinControl* parent) override;

 private:
  TPageControl* page_control_ = nullptr;
  friend class TPageControl;
};

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  const char* ClassName() const override { return "TPageControl"; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int i) const { return pages_.at(i); }
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* p);
  void Loaded() override;
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
  std::string active_name_;
  friend class TTabSheet;
};

}  // namespace ui
