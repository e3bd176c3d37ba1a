#include "scenario/scenariotraits.h"

#include "controls/audioctl32.h"
#include "scenario/script.h"
#include "scenario/trace.h"
#include "ui/buttons.h"
#include "ui/classtraits.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace scenario {

namespace {

// ---- the dump

const char* Bit(bool b) {
  return b ? "1" : "0";
}

// A description written for T or one of its bases.
template <typename T, typename F>
DescribeFacet Described(F describe) {
  return {[describe](const ui::TComponent& c) { return describe(static_cast<const T&>(c)); }};
}

std::string Caption(const ui::TControl& c) {
  return " caption=" + Quote(c.Caption());
}

template <typename T>
std::string Checked(const T& c) {
  return std::string(" checked=") + Bit(c.Checked()) + Caption(c);
}

std::string Down(const ui::TSpeedButton& b) {
  return std::string(" down=") + Bit(b.Down()) + Caption(b);
}

std::string Items(const ui::TItemsControl& l) {
  std::string s = " index=" + std::to_string(l.ItemIndex()) + " items=[";
  for (int i = 0; i < l.Count(); ++i) {
    if (i) s += ',';
    s += Quote(l.Items()[i]);
  }
  return s + "]";
}

// A panel shows its caption only when it has one.
std::string PanelCaption(const ui::TPanel& p) {
  return p.Caption().empty() ? std::string() : Caption(p);
}

// ---- what `set` assigns

using Assign = std::function<void(ui::TControl&, const std::string&)>;

template <typename T, typename F>
Assign Assigned(F assign) {
  return [assign](ui::TControl& c, const std::string& value) { assign(static_cast<T&>(c), value); };
}

template <typename T>
Assign CheckedFromScript() {
  return Assigned<T>([](T& c, const std::string& v) { c.SetChecked(Number(v) != 0); });
}

template <typename T>
Assign PositionFromScript() {
  return Assigned<T>(
      [](T& c, const std::string& v) { c.SetPosition(static_cast<std::int32_t>(Number(v))); });
}

template <typename T>
Assign ItemIndexFromScript() {
  return Assigned<T>(
      [](T& c, const std::string& v) { c.SetItemIndex(static_cast<int>(Number(v))); });
}

template <typename T>
void Add(DescribeFacet describe, SetFacet set = {}) {
  ui::TraitsOfClass<T>().Set(std::move(describe)).Set(std::move(set));
}

template <typename... T>
void Plain() {
  (Add<T>({}), ...);
}

void RegisterAll() {
  using controls::TLevelMeter, controls::TSlider;
  using ui::TCheckBox, ui::TRadioButton, ui::TSpeedButton;
  controls::RegisterControlClasses();
  Plain<ui::TComponent, ui::TWinControl, ui::TForm, ui::TBevel, ui::TImage, ui::TShape,
        ui::TScrollBox, ui::TPageControl, ui::TTabSheet, controls::TLumi>();
  Add<TCheckBox>(Described<TCheckBox>(Checked<TCheckBox>),
                 {{{"Checked", CheckedFromScript<TCheckBox>()}}});
  Add<TRadioButton>(Described<TRadioButton>(Checked<TRadioButton>),
                    {{{"Checked", CheckedFromScript<TRadioButton>()}}});
  Add<TSpeedButton>(Described<TSpeedButton>(Down),
                    {{{"Down", Assigned<TSpeedButton>([](TSpeedButton& b, const std::string& v) {
                         b.SetDown(Number(v) != 0);
                       })}}});
  Add<TSlider>(Described<TSlider>([](const TSlider& s) {
                 return " pos=" + std::to_string(s.Position()) +
                        " number=" + std::to_string(s.Number());
               }),
               {{{"Position", PositionFromScript<TSlider>()}}});
  Add<TLevelMeter>(Described<TLevelMeter>([](const TLevelMeter& m) {
    return " level=" + std::to_string(m.Level()) + " lit=" + std::to_string(m.LitCount()) +
           " peak=" + std::to_string(m.Peak());
  }));
  Add<ui::TEdit>(
      Described<ui::TEdit>([](const ui::TEdit& e) { return " text=" + Quote(e.Text()); }),
      {{{"Text", Assigned<ui::TEdit>([](ui::TEdit& e, const std::string& v) { e.SetText(v); })}}});
  Add<ui::TListBox>(Described<ui::TListBox>(Items),
                    {{{"ItemIndex", ItemIndexFromScript<ui::TListBox>()}}});
  Add<ui::TComboBox>(Described<ui::TComboBox>(Items),
                     {{{"ItemIndex", ItemIndexFromScript<ui::TComboBox>()}}});
  Add<ui::TTrackBar>(Described<ui::TTrackBar>([](const ui::TTrackBar& t) {
                       return " tick=" + std::to_string(t.Position());
                     }),
                     {{{"Position", PositionFromScript<ui::TTrackBar>()}}});
  Add<ui::TLabel>(Described<ui::TLabel>(Caption));
  Add<ui::TButton>(Described<ui::TButton>(Caption));
  Add<ui::TGroupBox>(Described<ui::TGroupBox>(Caption));
  Add<ui::TPanel>(Described<ui::TPanel>(PanelCaption));
  Add<controls::TBarGraph>(Described<controls::TBarGraph>(PanelCaption));
}

}  // namespace

void RegisterScenarioTraits() {
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

std::string Describe(const ui::TComponent& c) {
  RegisterScenarioTraits();
  const DescribeFacet* f = ui::FacetOf<DescribeFacet>(c);
  return f && f->describe ? f->describe(c) : std::string();
}

std::function<void()> Setter(ui::TControl& c, const std::string& property,
                             const std::string& value) {
  RegisterScenarioTraits();
  const SetFacet* f = ui::FacetOf<SetFacet>(c);
  if (!f) return {};
  auto it = f->properties.find(property);
  if (it == f->properties.end()) return {};
  return [&c, assign = it->second, value] { assign(c, value); };
}

}  // namespace scenario
