#include "scenario/describe.h"

#include <functional>

#include "controls/Class_b.h"
#include "controls/levelmeter.h"
#include "controls/slider.h"
#include "scenario/trace.h"
#include "ui/buttons.h"
#include "ui/classhooks.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace scenario {

namespace {

using Describer = std::function<std::string(const ui::TComponent& c)>;
using Hooks = ui::ClassHooks<Describer>;

const char* Bit(bool b) {
  return b ? "1" : "0";
}

// Registers T with a description written for T or one of its bases.
template <typename T, typename F>
void Add(Hooks& hooks, F describe) {
  hooks.Add<T>([describe](const ui::TComponent& c) { return describe(static_cast<const T&>(c)); });
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

Hooks MakeHooks() {
  Hooks hooks;
  Add<ui::TCheckBox>(hooks, Checked<ui::TCheckBox>);
  Add<controls::TExtCheckBox>(hooks, Checked<ui::TCheckBox>);
  Add<ui::TRadioButton>(hooks, Checked<ui::TRadioButton>);
  Add<controls::TExtRadioButton>(hooks, Checked<ui::TRadioButton>);
  Add<ui::TSpeedButton>(hooks, Down);
  Add<controls::TExtSpeedButton>(hooks, Down);
  Add<controls::TSlider>(hooks, [](const controls::TSlider& s) {
    return " pos=" + std::to_string(s.Position()) + " number=" + std::to_string(s.Number());
  });
  Add<controls::TLevelMeter>(hooks, [](const controls::TLevelMeter& m) {
    return " level=" + std::to_string(m.Level()) + " lit=" + std::to_string(m.LitCount()) +
           " peak=" + std::to_string(m.Peak());
  });
  Add<ui::TEdit>(hooks, [](const ui::TEdit& e) { return " text=" + Quote(e.Text()); });
  Add<ui::TListBox>(hooks, Items);
  Add<ui::TComboBox>(hooks, Items);
  Add<ui::TTrackBar>(
      hooks, [](const ui::TTrackBar& t) { return " tick=" + std::to_string(t.Position()); });
  Add<ui::TLabel>(hooks, Caption);
  Add<controls::TExtLabel>(hooks, Caption);
  Add<ui::TButton>(hooks, Caption);
  Add<controls::TExtButton>(hooks, Caption);
  Add<ui::TGroupBox>(hooks, Caption);
  Add<controls::TExtGroupBox>(hooks, Caption);
  Add<ui::TPanel>(hooks, PanelCaption);
  Add<controls::TBarGraph>(hooks, PanelCaption);
  return hooks;
}

}  // namespace

std::string Describe(const ui::TComponent& c) {
  static const Hooks hooks = MakeHooks();
  const Describer* describe = hooks.Find(c);
  return describe ? (*describe)(c) : std::string();
}

}  // namespace scenario
