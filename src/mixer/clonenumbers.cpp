#include "mixer/clonenumbers.h"

#include "controls/audioctl32.h"
#include "ui/buttons.h"
#include "ui/classtraits.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace mixer {

namespace {

template <typename T, typename F>
CloneNumbering Renumbered(F f) {
  return {[f](ui::TControl& c, int shift, const std::function<std::string()>& link_box_name) {
    f(static_cast<T&>(c), shift, link_box_name);
  }};
}

template <typename... T>
void Kept() {
  (ui::TraitsOfClass<T>().Set(CloneNumbering{}), ...);
}

using LinkBoxName = std::function<std::string()>;

void RegisterAll() {
  controls::RegisterControlClasses();
  Kept<ui::TComponent, ui::TWinControl, ui::TForm, ui::TButton, ui::TRadioButton, ui::TEdit,
       ui::TListBox, ui::TComboBox, ui::TGroupBox, ui::TPanel, ui::TBevel, ui::TImage, ui::TShape,
       ui::TScrollBox, ui::TSpeedButton, ui::TTrackBar, ui::TPageControl, ui::TTabSheet,
       controls::TLumi, controls::TBarGraph>();
  ui::TraitsOfClass<controls::TLevelMeter>().Set(Renumbered<controls::TLevelMeter>(
      [](controls::TLevelMeter& meter, int shift, const LinkBoxName&) {
        meter.SetTag(meter.Tag() + shift);
      }));
  ui::TraitsOfClass<controls::TSlider>().Set(
      Renumbered<controls::TSlider>([](controls::TSlider& fader, int shift, const LinkBoxName&) {
        fader.SetNumber(fader.Number() + shift);
        fader.SetName("Slider" + std::to_string(fader.Number()));
      }));
  ui::TraitsOfClass<ui::TCheckBox>().Set(
      Renumbered<ui::TCheckBox>([](ui::TCheckBox& box, int, const LinkBoxName& link_box_name) {
        box.SetName(link_box_name());
      }));
  // A channel number; the scale labels have no Tag.
  ui::TraitsOfClass<ui::TLabel>().Set(
      Renumbered<ui::TLabel>([](ui::TLabel& label, int shift, const LinkBoxName&) {
        if (label.Tag() <= 0) return;
        label.SetTag(label.Tag() + shift);
        label.SetCaption(std::to_string(label.Tag()));
      }));
}

}  // namespace

void RegisterCloneNumbering() {
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

const CloneNumbering* CloneNumberingOf(const ui::TComponent& c) {
  RegisterCloneNumbering();
  const CloneNumbering* f = ui::FacetOf<CloneNumbering>(c);
  return f && f->renumber ? f : nullptr;
}

}  // namespace mixer
