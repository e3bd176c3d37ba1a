#pragma once
// TSpeedButton: a graphic button that can stay pressed. Buttons of one
// parent with the same GroupIndex release each other; AllowAllUp lets the
// pressed one of a group be released by a click. Setting Down from code
// runs no click.
#include "ui/control.h"

namespace ui {

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  const char* ClassName() const override { return "TSpeedButton"; }

  bool Down() const { return down_; }
  virtual void SetDown(bool v);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int g) { group_index_ = g; }
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool v) { allow_all_up_ = v; }
  bool Flat() const { return flat_; }
  int Layout() const { return layout_; }
  int Margin() const { return margin_; }
  int Spacing() const { return spacing_; }
  int NumGlyphs() const { return num_glyphs_; }
  void CopyLook(const TSpeedButton& from);

  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  // The click comes with the release (MouseUp), also from Space.
  void UserRelease(TMouseButton b, TShiftState s, int x, int y) override;
  bool UserSpace(bool down) override;
  bool TakesFocus() const override { return true; }
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 protected:
  enum class State { Up, Down, Exclusive };
  void SetDownState(bool v);

 private:
  void ReleaseGroup();
  bool down_ = false;
  int group_index_ = 0;
  bool allow_all_up_ = false;
  bool flat_ = false;
  bool dragging_ = false;
  State state_ = State::Up;
  int layout_ = 0, margin_ = -1, spacing_ = 4, num_glyphs_ = 1;
};

}  // namespace ui
