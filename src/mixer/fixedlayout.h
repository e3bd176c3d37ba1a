#pragma once
// FixedHeightLayout: a mixer window's height worked out from what it shows.
// Every mixer window is a ground panel above a row of option boxes. The
// ground either holds sections stacked from the top, each shown or hidden
// by its option box, with panels that only move along (the channel
// numbers), or is itself the one thing an option box shows. The window is
// as high as its frame plus what is shown; that is the fixed height, to
// which WM_GETMINMAXINFO pins it.
#include <vector>

#include "ui/control.h"

namespace ui {
class TCheckBox;
class TPanel;
}  // namespace ui

namespace mixer {

struct LayoutSection {
  ui::TControl* panel = nullptr;
  // The option box that shows it; none for a panel that is always shown
  // and moves with the sections above it.
  ui::TCheckBox* box = nullptr;
  // What it adds to the ground while shown.
  int amount = 0;
};

struct LayoutParts {
  int design_height = 0;  // the window's height with everything shown
  ui::TPanel* option_row = nullptr;
  ui::TWinControl* ground = nullptr;
  // The box of a ground that is the window's one section.
  ui::TCheckBox* ground_box = nullptr;
  std::vector<LayoutSection> sections;  // top to bottom
};

class FixedHeightLayout {
 public:
  // Takes the parts as designed, everything shown in its place.
  void Bind(LayoutParts parts);
  bool Bound() const { return parts_.ground && parts_.option_row; }
  ui::TPanel* OptionRow() const { return parts_.option_row; }

  // The panel that an option box shows; null for any other control.
  ui::TControl* ShownBy(const ui::TComponent* box) const;

  // Places the sections, the ground and the option row for what is
  // visible and answers the height the window then needs.
  int Apply() const;

 private:
  LayoutParts parts_;
  std::vector<int> design_tops_;
  int ground_height_ = 0;
  int row_height_ = 0;
};

}  // namespace mixer
