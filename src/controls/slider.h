#pragma once
// TSlider: the vertical fader of the mixer windows. A thin sunken groove
// (the slider itself) and a separate raised thumb that lives on the
// slider's parent, so it is drawn over the groove and may be wider than it.
// The top end is Max, the bottom end Min.
#include <cstdint>
#include <string>

#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace controls {

// Raised when a Position outside Min ... Max is assigned.
inline constexpr const char* kPositionRangeText =
    "Wert für Position liegt außerhalb von Min und Max";

class TSlider : public ui::TPanel {
 public:
  explicit TSlider(ui::TComponent* owner);
  const char* ClassName() const override { return "TSlider"; }

  std::int32_t Min() const { return min_; }
  void SetMin(std::int32_t v);
  std::int32_t Max() const { return max_; }
  void SetMax(std::int32_t v);
  std::int32_t Position() const { return position_; }
  // Raises ui::ERangeError outside Min ... Max; otherwise raises OnChange,
  // also when the value does not change.
  void SetPosition(std::int32_t v);
  int BtnHeight() const { return btn_height_; }
  void SetBtnHeight(int v);
  int BtnWidth() const { return btn_width_; }
  void SetBtnWidth(int v);
  int MoveRestriction() const { return move_restriction_; }
  void SetMoveRestriction(int v);
  // The driver channel of this fader plus one; stored for the windows.
  std::int32_t Number() const { return number_; }
  void SetNumber(std::int32_t v) { number_ = v; }
  // The stereo link box of the pair; stored for the windows.
  ui::TCheckBox* LinkCheck() const { return link_check_; }
  void SetLinkCheck(ui::TCheckBox* c) { link_check_ = c; }

  ui::TNotifyEvent OnChange;

  // State for the windows, the peers and tests.
  ui::TPanel* Thumb() const { return thumb_; }
  ui::TBevel* Grip() const { return grip_; }
  int Travel() const { return travel_; }
  int Offset() const { return offset_; }
  bool Dragging() const { return dragging_; }
  bool Placed() const { return placed_; }

  // Puts the thumb on the parent once, then keeps it centred on the groove
  // at the height of the current value. The peers call it when they draw.
  void Paint();

  // The user drags the thumb by dy pixels, positive upwards: button down on
  // the thumb, one move, button up.
  void DragThumb(int dy);
  // One notch moves the thumb as a drag of a 32nd of its travel would; with
  // Shift, one pixel.
  bool MouseWheel(ui::TShiftState s, int notches) override;
  // Keys on the focused thumb, each as the drag it stands for: Up/Down a
  // wheel notch (Shift: one pixel), Page Up/Down a quarter of the travel,
  // Home/End to the ends.
  bool NavigationKey(WORD key, ui::TShiftState s) override;
  // The value as the scale labels beside the fader read at the thumb's
  // centre ("-7.5 dB"), interpolated between the two nearest; empty when
  // the fader has no scale.
  std::string ScaleReading() const;
  // The scale's reading in dB were the thumb offset pixels above its
  // lowest place; minus infinity for "no level", NaN without a scale.
  double ReadingAt(int offset) const;

  void Loaded() override;
  void SetParent(ui::TWinControl* parent) override;
  void Resize() override;
  bool SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) override;

 protected:
  void BoundsChanged(bool size_changed) override;

 private:
  // A 1/parts share of the travel in whole pixels, at least one.
  int TravelPart(int parts) const;
  void PlaceThumb();
  void ApplyFraction(double f);
  double ValueFraction() const;
  double OffsetFraction() const;
  int ThumbLeft() const;
  int ThumbTop() const;
  void MoveThumbToTop();
  void PlaceGrip();
  void RecomputeTravel();
  void ThumbMouseDown(int y);
  void ThumbMouseMove(int y);

  ui::TPanel* thumb_ = nullptr;
  ui::TBevel* grip_ = nullptr;
  std::int32_t min_ = 0, max_ = 100, position_ = 0;
  int btn_height_ = 14, btn_width_ = 24, move_restriction_ = 4;
  std::int32_t number_ = 0;
  ui::TCheckBox* link_check_ = nullptr;
  std::string link_check_name_;  // a layout reference resolved in Loaded
  int link_check_line_ = 0;
  int travel_ = 0, offset_ = 0;
  double fraction_ = 0.0;
  bool dragging_ = false;
  int grab_y_ = 0;
  bool placed_ = false;
};

namespace user {
// The user drags the slider's thumb by dy pixels, positive upwards: button
// down on the thumb, one move, button up. Errors are reported as the
// message loop reports them.
void Drag(ui::TControl* slider, int dy);
}  // namespace user

}  // namespace controls
