#include "mixer/fixedlayout.h"

#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace mixer {

void FixedHeightLayout::Bind(LayoutParts parts) {
  parts_ = std::move(parts);
  design_tops_.clear();
  for (const LayoutSection& s : parts_.sections) design_tops_.push_back(s.panel->Top());
  ground_height_ = parts_.ground ? parts_.ground->Height() : 0;
  row_height_ = parts_.option_row ? parts_.option_row->Height() : 0;
}

ui::TControl* FixedHeightLayout::ShownBy(const ui::TComponent* box) const {
  if (!box) return nullptr;
  if (box == parts_.ground_box) return parts_.ground;
  for (const LayoutSection& s : parts_.sections)
    if (s.box && s.box == box) return s.panel;
  return nullptr;
}

int FixedHeightLayout::Apply() const {
  ui::TWinControl* ground = parts_.ground;
  ui::TPanel* row = parts_.option_row;

  // A hidden section takes its amount off everything below it. The amounts
  // are the heights of the first card's pair panels, not of the sections,
  // which overlap by a pixel or stop a few short: moving by the amounts
  // puts every panel back where the design has it.
  int hidden = 0;
  bool any_shown = false;
  for (std::size_t i = 0; i < parts_.sections.size(); ++i) {
    const LayoutSection& s = parts_.sections[i];
    s.panel->SetTop(design_tops_[i] - hidden);
    if (!s.box) continue;
    if (s.panel->Visible())
      any_shown = true;
    else
      hidden += s.amount;
  }
  // The ground goes with the last of its sections and comes back with the
  // first, so a window that shows nothing is its option row alone. A ground
  // that is the window's one section is shown by its own box.
  if (!parts_.sections.empty()) ground->SetVisible(any_shown);

  // While the option row is hidden the ground fills the window, and the
  // row stops taking part; shown, the row takes what the ground leaves,
  // which the fixed height makes its own height. (The designed row is
  // bottom-aligned in most windows, which places it the same.)
  if (row->Visible()) {
    ground->SetAlign(ui::TAlign::alTop);
    row->SetAlign(ui::TAlign::alClient);
  } else {
    row->SetAlign(ui::TAlign::alNone);
    ground->SetAlign(ui::TAlign::alClient);
  }
  // Only now the ground's own height: aligning to the client area sets it,
  // so a ground that stops filling the window must get it back after. It
  // is worked out, never read: a filling or hidden ground's Height is not
  // what its sections make.
  const int ground_height = ground_height_ - hidden;
  ground->SetHeight(ground_height);

  // The frame (title bar and borders) is what the design has beside the
  // ground and the row.
  const int frame = parts_.design_height - ground_height_ - row_height_;
  return frame + (ground->Visible() ? ground_height : 0) + (row->Visible() ? row_height_ : 0);
}

}  // namespace mixer
