#include "qt/accessiblenames.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <vector>

#include "controls/levelmeter.h"
#include "controls/slider.h"
#include "ui/buttons.h"
#include "ui/comctrls.h"
#include "ui/form.h"

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
bool ChannelLabel(const ui::TLabel& l) {
  return l.Visible() && l.Tag() > 0 && l.Caption() == std::to_string(l.Tag());
}

template <typename F>
void ForEachLabel(const ui::TControl& c, F f) {
  const ui::TForm* form = c.GetParentForm();
  if (!form) return;
  for (ui::TComponent* comp : form->ComponentList())
    if (auto* l = dynamic_cast<ui::TLabel*>(comp)) f(*l);
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
  ForEachLabel(c, [&](const ui::TLabel& l) {
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
  const ui::TLabel* best = nullptr;
  int best_gap = std::numeric_limits<int>::max();
  ForEachLabel(c, [&](const ui::TLabel& l) {
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

// What a control shows as its own caption, as spoken.
std::string ShownCaption(const ui::TControl& c) {
  if (auto* l = dynamic_cast<const ui::TLabel*>(&c)) return LabelText(*l);
  if (dynamic_cast<const ui::TCheckBox*>(&c) || dynamic_cast<const ui::TRadioButton*>(&c) ||
      dynamic_cast<const ui::TButton*>(&c) || dynamic_cast<const ui::TSpeedButton*>(&c) ||
      dynamic_cast<const ui::TGroupBox*>(&c))
    return SpokenSign(SpokenCaption(c.Caption()));
  return {};
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
    auto* o = dynamic_cast<ui::TControl*>(comp);
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

std::string FaderName(const controls::TSlider& s) {
  std::string channels = ChannelsOf(s);
  if (channels.empty() && s.Number() > 0) channels = std::to_string(s.Number());
  return Joined("Fader", channels);
}

// A link box is named after the faders it ties together.
std::string LinkBoxName(const ui::TCheckBox& box) {
  std::string channels;
  const ui::TForm* form = box.GetParentForm();
  if (!form) return {};
  for (ui::TComponent* comp : form->ComponentList()) {
    auto* s = dynamic_cast<controls::TSlider*>(comp);
    if (!s || s->LinkCheck() != &box) continue;
    std::string ch = ChannelsOf(*s);
    if (ch.empty() && s->Number() > 0) ch = std::to_string(s->Number());
    if (!ch.empty()) channels += (channels.empty() ? "" : "/") + ch;
  }
  return channels.empty() ? std::string() : "Kopplung " + channels;
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

bool Decorative(const ui::TLabel& label) {
  if (label.Font().Name == "Symbol") return label.Caption() != "\xC2\xA5";  // the infinity sign
  const std::string& text = label.Caption();
  return std::none_of(text.begin(), text.end(),
                      [](unsigned char ch) { return std::isalnum(ch) || ch >= 0x80; });
}

std::string LabelText(const ui::TLabel& label) {
  if (Decorative(label)) return {};
  if (label.Font().Name == "Symbol") return "\xE2\x88\x9E";  // what the font draws
  return SpokenCaption(label.Caption());
}

std::string AccessibleName(const ui::TControl& c) {
  if (auto* f = dynamic_cast<const ui::TForm*>(&c)) return f->Caption();
  // The thumb is what the user takes and what holds the focus: it speaks for
  // its fader.
  if (auto* s = dynamic_cast<const controls::TSlider*>(c.Owner()); s && s->Thumb() == &c)
    return FaderName(*s);
  if (auto* meter = dynamic_cast<const controls::TLevelMeter*>(&c)) {
    const std::string channels = ChannelsOf(*meter);
    return Joined("Pegel", channels.empty() ? StripCaptionOf(*meter) : channels);
  }
  if (auto* b = dynamic_cast<const ui::TSpeedButton*>(&c))
    return Joined(SpokenCaption(b->Caption()), ChannelsOf(*b));
  if (auto* box = dynamic_cast<const ui::TCheckBox*>(&c)) {
    // A link box is too narrow to show its caption (some carry their own
    // name there): the faders it ties together name it.
    std::string name = LinkBoxName(*box);
    if (name.empty()) name = SpokenCaption(box->Caption());
    return name.empty() ? NearestCaption(c) : name;
  }
  // Named after the caption beside them, with what they are, so that the
  // box and the choice it enables do not sound alike.
  if (dynamic_cast<const ui::TListBox*>(&c)) return Joined(NearestCaption(c), "(Liste)");
  if (dynamic_cast<const ui::TComboBox*>(&c)) return Joined(NearestCaption(c), "(Auswahl)");
  if (dynamic_cast<const ui::TTrackBar*>(&c)) return Joined(NearestCaption(c), "(Regler)");
  if (dynamic_cast<const ui::TEdit*>(&c)) return NearestCaption(c);
  return ShownCaption(c);
}

}  // namespace qt
