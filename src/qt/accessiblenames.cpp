#include "qt/accessiblenames.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <vector>

#include "controls/audioctl32.h"
#include "ui/buttons.h"
#include "ui/classtraits.h"
#include "ui/comctrls.h"
#include "ui/controltraits.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace qt {

namespace {

// Where a control lies in its form's client area.
struct Place {
  int left = 0, top = 0, right = 0, bottom = 0;
  double centre() const { return (left + right) / 2.0; }
};

Place PlaceOf(const ui::TControl& c) {
  int x = c.Left(), y = c.Top();
  for (const ui::TWinControl* p = c.Parent(); p && p->Parent(); p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  return {x, y, x + c.Width(), y + c.Height()};
}

bool HasLetter(const std::string& s) {
  return std::any_of(s.begin(), s.end(),
                     [](unsigned char ch) { return std::isalpha(ch) || ch >= 0x80; });
}

// A channel number under a fader: a label that shows its own Tag.
bool ChannelLabel(const ui::TControl& l) {
  return l.Visible() && l.Tag() > 0 && l.Caption() == std::to_string(l.Tag());
}

// Each control of c's form, in creation order.
template <typename F>
void ForEachControl(const ui::TControl& c, F f) {
  const ui::TForm* form = c.GetParentForm();
  if (!form) return;
  for (ui::TComponent* comp : form->ComponentList())
    if (const ui::TControl* o = ui::AsControl(comp)) f(*o);
}

template <typename F>
void ForEachLabel(const ui::TControl& c, F f) {
  ForEachControl(c, [&f](const ui::TControl& o) {
    if (ui::KindOf(o) == ui::ControlKind::Label) f(o);
  });
}

// The channel numbers that stand under the control ("3", or "3/4" for a
// control that spans a pair); the nearest ones when none stands right under.
std::string ChannelsOf(const ui::TControl& c) {
  const Place at = PlaceOf(c);
  struct Hit {
    double x;
    std::string text;
  };
  std::vector<Hit> under, all;
  ForEachLabel(c, [&](const ui::TControl& l) {
    if (!ChannelLabel(l)) return;
    const double x = PlaceOf(l).centre();
    all.push_back({x, l.Caption()});
    if (x >= at.left - 2 && x <= at.right + 2) under.push_back({x, l.Caption()});
  });
  if (under.empty()) {
    double best = 16.5;
    for (const Hit& h : all) best = std::min(best, std::abs(h.x - at.centre()));
    for (const Hit& h : all)
      if (std::abs(h.x - at.centre()) <= best + 0.5) under.push_back(h);
  }
  std::sort(under.begin(), under.end(), [](const Hit& a, const Hit& b) { return a.x < b.x; });
  std::string text;
  for (const Hit& h : under) text += (text.empty() ? "" : "/") + h.text;
  return text;
}

// The caption under a strip ("S/PDIF IN II"), and for a meter of a pair
// the side it stands on.
std::string StripCaptionOf(const ui::TControl& c) {
  const Place at = PlaceOf(c);
  const ui::TControl* best = nullptr;
  int best_gap = std::numeric_limits<int>::max();
  ForEachLabel(c, [&](const ui::TControl& l) {
    const std::string text = LabelText(l);
    if (!l.Visible() || !HasLetter(text) || text == "dB") return;
    const Place p = PlaceOf(l);
    const int gap = p.top - at.bottom;
    if (p.left > at.centre() || p.right < at.centre() || gap < -2 || gap >= best_gap) return;
    best = &l;
    best_gap = gap;
  });
  if (!best) return {};
  std::vector<const ui::TControl*> pair;
  if (c.Parent())
    for (const ui::TControl* o : c.Parent()->ControlList())
      if (std::string(o->ClassName()) == c.ClassName()) pair.push_back(o);
  if (pair.size() != 2) return LabelText(*best);
  const ui::TControl* left = pair[0]->Left() <= pair[1]->Left() ? pair[0] : pair[1];
  return LabelText(*best) + (&c == left ? " links" : " rechts");
}

// A button that shows only a sign is named for what it does.
std::string SpokenSign(const std::string& caption) {
  if (caption == ">>")
    return "N\xC3\xA4"
           "chste Karte";
  return caption;
}

std::string CaptionAsSpoken(const ui::TControl& c) {
  return SpokenSign(SpokenCaption(c.Caption()));
}

// What a control shows as its own caption, as spoken.
std::string ShownCaption(const ui::TControl& c) {
  switch (ui::KindOf(c)) {
    case ui::ControlKind::Label:
      return LabelText(c);
    case ui::ControlKind::CheckBox:
    case ui::ControlKind::RadioButton:
    case ui::ControlKind::PushButton:
    case ui::ControlKind::ToggleButton:
    case ui::ControlKind::Group:
      return CaptionAsSpoken(c);
    default:
      return {};
  }
}

// What a sighted user reads before a field or a bar: the captions to its
// left on the same row ("Wiedergabe Format begrenzen auf Stereo"), else the
// nearest caption above.
std::string NearestCaption(const ui::TControl& c) {
  const ui::TForm* form = c.GetParentForm();
  if (!form) return {};
  const Place at = PlaceOf(c);
  std::vector<std::pair<int, std::string>> row;
  std::string above;
  int above_gap = std::numeric_limits<int>::max();
  for (ui::TComponent* comp : form->ComponentList()) {
    const ui::TControl* o = ui::AsControl(comp);
    if (!o || o == &c || !o->Visible()) continue;
    const std::string text = ShownCaption(*o);
    if (!HasLetter(text)) continue;
    const Place p = PlaceOf(*o);
    const bool same_row = p.top < at.bottom && p.bottom > at.top;
    const bool same_column = p.left < at.right && p.right > at.left;
    if (same_row && p.left < at.left) {
      row.emplace_back(p.left, text);
    } else if (same_column && p.top < at.top && at.top - std::min(p.bottom, at.top) < above_gap) {
      above_gap = at.top - std::min(p.bottom, at.top);
      above = text;
    }
  }
  if (row.empty()) return above;
  std::sort(row.begin(), row.end());
  std::string text;
  for (const auto& r : row) text += (text.empty() ? "" : " ") + r.second;
  return text;
}

std::string Joined(const std::string& a, const std::string& b) {
  return b.empty() ? a : a + " " + b;
}

// The channel numbers under a control, else the number the windows gave it.
std::string ChannelsOrNumber(const ui::TControl& c) {
  std::string channels = ChannelsOf(c);
  const ui::UserFacet& f = ui::UserFacetOf(c);
  const int number = f.number ? f.number(c) : 0;
  return channels.empty() && number > 0 ? std::to_string(number) : channels;
}

std::string FaderName(const ui::TControl& fader) {
  return Joined("Fader", ChannelsOrNumber(fader));
}

std::string MeterName(const ui::TControl& meter) {
  const std::string channels = ChannelsOf(meter);
  return Joined("Pegel", channels.empty() ? StripCaptionOf(meter) : channels);
}

// A link box is named after the faders it ties together.
std::string LinkBoxName(const ui::TControl& box) {
  std::string channels;
  ForEachControl(box, [&](const ui::TControl& o) {
    const ui::UserFacet& f = ui::UserFacetOf(o);
    if (!f.link || f.link(o) != &box) return;
    std::string ch = ChannelsOrNumber(o);
    if (!ch.empty()) channels += (channels.empty() ? "" : "/") + ch;
  });
  return channels.empty() ? std::string() : "Kopplung " + channels;
}

// A link box is too narrow to show its caption (some carry their own name
// there): the faders it ties together name it.
std::string CheckBoxName(const ui::TControl& box) {
  std::string name = LinkBoxName(box);
  if (name.empty()) name = SpokenCaption(box.Caption());
  return name.empty() ? NearestCaption(box) : name;
}

// Named after the caption beside it, with what it is, so that a box and the
// choice it enables do not sound alike.
NameFacet Beside(const char* what) {
  return {[what](const ui::TControl& c) { return Joined(NearestCaption(c), what); }};
}

NameFacet Named(std::string (*name)(const ui::TControl&)) {
  return {name};
}

void RegisterAll() {
  controls::RegisterControlClasses();
  for (auto* t : {&ui::TraitsOfClass<ui::TComponent>(), &ui::TraitsOfClass<ui::TWinControl>(),
                  &ui::TraitsOfClass<ui::TPanel>(), &ui::TraitsOfClass<ui::TBevel>(),
                  &ui::TraitsOfClass<ui::TImage>(), &ui::TraitsOfClass<ui::TShape>(),
                  &ui::TraitsOfClass<ui::TScrollBox>(), &ui::TraitsOfClass<ui::TPageControl>(),
                  &ui::TraitsOfClass<ui::TTabSheet>(), &ui::TraitsOfClass<controls::TLumi>(),
                  &ui::TraitsOfClass<controls::TBarGraph>()})
    t->Set(NameFacet{});
  ui::TraitsOfClass<ui::TForm>().Set(
      Named([](const ui::TControl& form) { return form.Caption(); }));
  ui::TraitsOfClass<ui::TLabel>().Set(Named(LabelText));
  for (auto* t : {&ui::TraitsOfClass<ui::TButton>(), &ui::TraitsOfClass<ui::TRadioButton>(),
                  &ui::TraitsOfClass<ui::TGroupBox>()})
    t->Set(Named(CaptionAsSpoken));
  ui::TraitsOfClass<ui::TCheckBox>().Set(Named(CheckBoxName));
  ui::TraitsOfClass<ui::TSpeedButton>().Set(Named(
      [](const ui::TControl& b) { return Joined(SpokenCaption(b.Caption()), ChannelsOf(b)); }));
  ui::TraitsOfClass<ui::TEdit>().Set(Named(NearestCaption));
  ui::TraitsOfClass<ui::TListBox>().Set(Beside("(Liste)"));
  ui::TraitsOfClass<ui::TComboBox>().Set(Beside("(Auswahl)"));
  ui::TraitsOfClass<ui::TTrackBar>().Set(Beside("(Regler)"));
  ui::TraitsOfClass<controls::TSlider>().Set(Named(FaderName));
  ui::TraitsOfClass<controls::TLevelMeter>().Set(Named(MeterName));
}

}  // namespace

std::string SpokenCaption(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // "&&" is one ampersand
    out += caption[i];
  }
  const auto blank = [](unsigned char ch) { return std::isspace(ch) != 0; };
  while (!out.empty() && (blank(out.back()) || out.back() == ':')) out.pop_back();
  const auto first = std::find_if_not(out.begin(), out.end(), blank);
  return std::string(first, out.end());
}

bool Decorative(const ui::TControl& label) {
  if (label.Font().Name == "Symbol") return label.Caption() != "\xC2\xA5";  // the infinity sign
  const std::string& text = label.Caption();
  return std::none_of(text.begin(), text.end(),
                      [](unsigned char ch) { return std::isalnum(ch) || ch >= 0x80; });
}

std::string LabelText(const ui::TControl& label) {
  if (Decorative(label)) return {};
  if (label.Font().Name == "Symbol") return "\xE2\x88\x9E";  // what the font draws
  return SpokenCaption(label.Caption());
}

void RegisterAccessibleNames() {
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

// The thumb is what the user takes and what holds the focus: it speaks for
// its fader, and the fader's groove says nothing.
std::string AccessibleName(const ui::TControl& c) {
  RegisterAccessibleNames();
  const ui::TControl* speaker = ui::HandleOwner(c);
  if (!speaker && ui::UserFacetOf(c).handle) return {};
  if (!speaker) speaker = &c;
  const NameFacet* f = ui::FacetOf<NameFacet>(*speaker);
  return f && f->name ? f->name(*speaker) : std::string();
}

}  // namespace qt
