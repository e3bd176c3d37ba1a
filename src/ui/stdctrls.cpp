#include "ui/stdctrls.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "ui/form.h"
#include "ui/layout.h"

namespace ui {

namespace {
bool AlignmentFrom(const PropValue& v, TAlignment& out) {
  const std::string& a = v.AsIdent();
  if (a == "taLeftJustify")
    out = TAlignment::taLeftJustify;
  else if (a == "taRightJustify")
    out = TAlignment::taRightJustify;
  else if (a == "taCenter")
    out = TAlignment::taCenter;
  else
    return false;
  return true;
}

// Sorted lists compare without regard to case, as the system's list box does.
bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}
}  // namespace

// ---- TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 13);
}

void TLabel::SetCaption(const std::string& c) {
  TGraphicControl::SetCaption(c);
  AdjustSize();
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!auto_size_ || word_wrap_ || Loading()) return;
  int chars = 0;
  for (size_t i = 0; i < Caption().size(); ++i) {
    unsigned char ch = static_cast<unsigned char>(Caption()[i]);
    if ((ch & 0xC0) == 0x80) continue;  // inside a UTF-8 sequence
    if (ch == '&' && i + 1 < Caption().size() && Caption()[i + 1] != '&') continue;
    ++chars;
  }
  int per_char = std::max(1, (std::abs(Font().Height) * 6 + 5) / 11);
  int w = chars * per_char;
  int left = alignment_ == TAlignment::taRightJustify ? Left() + Width() - w : Left();
  SetBounds(left, Top(), w, Height());
}

bool TLabel::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Alignment") {
    if (!AlignmentFrom(v, alignment_)) r.Fail(v.line, "unknown alignment " + v.s);
  } else if (name == "AutoSize")
    auto_size_ = v.AsBool();
  else if (name == "Transparent")
    transparent_ = v.AsBool();
  else if (name == "WordWrap")
    word_wrap_ = v.AsBool();
  else if (name == "Layout" || name == "ShowAccelChar" || name == "FocusControl")
    ;  // drawing details
  else
    return TGraphicControl::SetProperty(name, v, r);
  return true;
}

// ---- TKeyControl

void TKeyControl::UserKey(WORD key) {
  SetFocus();
  WORD k = key;
  if (OnKeyDown) OnKeyDown(this, k, 0);
  if (k != 0 && (key == VK_RETURN || key == VK_ESCAPE)) {
    if (TForm* f = GetParentForm()) {
      for (TComponent* c : f->ComponentList()) {
        auto* b = dynamic_cast<TButton*>(c);
        if (b && b->Showing() && b->Enabled() &&
            ((key == VK_RETURN && b->Default()) || (key == VK_ESCAPE && b->Cancel()))) {
          b->Click();
          break;
        }
      }
    }
  }
  k = key;
  if (OnKeyUp) OnKeyUp(this, k, 0);
}

bool TKeyControl::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "OnKeyDown")
    OnKeyDown = r.Key(v);
  else if (name == "OnKeyUp")
    OnKeyUp = r.Key(v);
  else
    return TWinControl::SetProperty(name, v, r);
  return true;
}

// ---- TButton

TButton::TButton(TComponent* owner) : TKeyControl(owner) {
  SetBounds(0, 0, 75, 25);
}

void TButton::Click() {
  if (TForm* f = GetParentForm()) f->SetModalResult(modal_result_);
  TKeyControl::Click();
}

bool TButton::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Default")
    default_ = v.AsBool();
  else if (name == "Cancel")
    cancel_ = v.AsBool();
  else if (name == "ModalResult") {
    if (v.kind == PropValue::Kind::Int)
      modal_result_ = static_cast<int>(v.i);
    else if (v.s == "mrOk")
      modal_result_ = mrOk;
    else if (v.s == "mrCancel")
      modal_result_ = mrCancel;
    else if (v.s == "mrNone")
      modal_result_ = mrNone;
    else
      r.Fail(v.line, "unknown modal result " + v.s);
  } else
    return TKeyControl::SetProperty(name, v, r);
  return true;
}

// ---- TCheckBox

TCheckBox::TCheckBox(TComponent* owner) : TKeyControl(owner) {
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  Changed(Change::State);
  if (!Loading()) Click();
}

void TCheckBox::UserClick() {
  if (!Enabled()) return;
  SetChecked(!checked_);
}

bool TCheckBox::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Checked")
    SetChecked(v.AsBool());
  else if (name == "State")
    SetChecked(v.AsIdent() == "cbChecked");
  else if (name == "Alignment") {
    if (!AlignmentFrom(v, alignment_)) r.Fail(v.line, "unknown alignment " + v.s);
  } else if (name == "AllowGrayed")
    ;
  else
    return TKeyControl::SetProperty(name, v, r);
  return true;
}

// ---- TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TKeyControl(owner) {
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  Changed(Change::State);
  if (!v) return;
  if (Parent())
    for (TControl* c : Parent()->ControlList())
      if (auto* rb = dynamic_cast<TRadioButton*>(c); rb && rb != this && rb->checked_) {
        rb->checked_ = false;
        rb->Changed(Change::State);
      }
  if (!Loading()) Click();
}

void TRadioButton::UserClick() {
  if (Enabled()) SetChecked(true);
}

bool TRadioButton::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Checked")
    SetChecked(v.AsBool());
  else if (name == "Alignment")
    ;
  else
    return TKeyControl::SetProperty(name, v, r);
  return true;
}

// ---- TEdit

TEdit::TEdit(TComponent* owner) : TKeyControl(owner) {
  SetBounds(0, 0, 121, 21);
  SetColor(clWindow);
}

void TEdit::SetText(const std::string& t) {
  // MaxLength counts characters; a cut never splits a UTF-8 sequence.
  std::string s = t;
  if (max_length_ > 0) {
    int chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && ++chars > max_length_) {
        s.resize(i);
        break;
      }
    }
  }
  if (s == Caption()) return;
  SetCaption(s);
  Changed(Change::State);
  if (OnChange && !Loading()) OnChange(this);
}

bool TEdit::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Text")
    SetText(v.AsString());
  else if (name == "MaxLength")
    max_length_ = static_cast<int>(v.AsInt());
  else if (name == "OnChange")
    OnChange = r.Notify(v);
  else if (name == "ReadOnly" || name == "AutoSelect" || name == "BorderStyle")
    ;
  else
    return TKeyControl::SetProperty(name, v, r);
  return true;
}

// ---- TItemsControl

int TItemsControl::Add(const std::string& s) {
  int i = Count();
  if (sorted_)
    i = static_cast<int>(std::upper_bound(items_.begin(), items_.end(), s, LessNoCase) -
                         items_.begin());
  items_.insert(items_.begin() + i, s);
  if (item_index_ >= i) ++item_index_;
  Changed(Change::Items);
  return i;
}

void TItemsControl::AddStrings(std::vector<std::string> items) {
  if (items.empty()) return;
  if (!sorted_) {
    items_.insert(items_.end(), std::make_move_iterator(items.begin()),
                  std::make_move_iterator(items.end()));
    Changed(Change::Items);
    return;
  }
  // Each item's key is its text as LessNoCase sees it, made once; the keys
  // then compare as plain bytes.
  auto key_of = [](const std::string& s) {
    std::string key(s);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
  };
  std::vector<std::pair<std::string, std::string>> added;
  added.reserve(items.size());
  for (std::string& s : items) added.emplace_back(key_of(s), std::move(s));
  std::stable_sort(added.begin(), added.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  // The selected item moves down by the added items that sort before it.
  if (item_index_ >= 0) {
    const std::string selected = key_of(items_[item_index_]);
    item_index_ += static_cast<int>(
        std::lower_bound(added.begin(), added.end(), selected,
                         [](const auto& a, const std::string& k) { return a.first < k; }) -
        added.begin());
  }
  std::vector<std::string> keys;
  keys.reserve(items_.size());
  for (const std::string& s : items_) keys.push_back(key_of(s));
  std::vector<std::string> merged;
  merged.reserve(items_.size() + added.size());
  std::size_t i = 0;
  for (auto& [key, text] : added) {
    // Items already there that compare equal stay ahead of the added one.
    while (i < items_.size() && !(key < keys[i])) merged.push_back(std::move(items_[i++]));
    merged.push_back(std::move(text));
  }
  while (i < items_.size()) merged.push_back(std::move(items_[i++]));
  items_ = std::move(merged);
  Changed(Change::Items);
}

void TItemsControl::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  items_.erase(items_.begin() + i);
  if (item_index_ == i)
    item_index_ = -1;
  else if (item_index_ > i)
    --item_index_;
  Changed(Change::Items);
}

void TItemsControl::Clear() {
  items_.clear();
  item_index_ = -1;
  Changed(Change::Items);
}

void TItemsControl::SetItem(int i, const std::string& s) {
  if (i < 0 || i >= Count()) return;
  items_[i] = s;
  Changed(Change::Items);
}

void TItemsControl::SetSorted(bool v) {
  sorted_ = v;
  if (v) std::stable_sort(items_.begin(), items_.end(), LessNoCase);
}

void TItemsControl::SetItemIndex(int i) {
  if (i < -1 || i >= Count()) i = -1;
  item_index_ = i;
  Changed(Change::State);
}

bool TItemsControl::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Items.Strings") {
    if (v.kind != PropValue::Kind::List) r.Fail(v.line, "list of strings expected");
    items_.clear();
    for (const auto& s : v.items) Add(s);
  } else if (name == "Sorted")
    SetSorted(v.AsBool());
  else if (name == "ItemIndex")
    SetItemIndex(static_cast<int>(v.AsInt()));
  else if (name == "ItemHeight" || name == "DropDownCount" || name == "IntegralHeight")
    ;
  else
    return TKeyControl::SetProperty(name, v, r);
  return true;
}

// ---- TListBox and TComboBox

TListBox::TListBox(TComponent* owner) : TItemsControl(owner) {
  SetBounds(0, 0, 121, 97);
  SetColor(clWindow);
}

void TListBox::UserSelect(int i) {
  SetFocus();
  SetItemIndex(i);
  Click();
}

TComboBox::TComboBox(TComponent* owner) : TItemsControl(owner) {
  SetBounds(0, 0, 145, 21);
  SetColor(clWindow);
}

void TComboBox::UserSelect(int i) {
  if (!Enabled()) return;
  SetItemIndex(i);
  Click();
  if (OnChange) OnChange(this);
}

bool TComboBox::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "OnChange")
    OnChange = r.Notify(v);
  else if (name == "Style" || name == "Text")
    ;  // always a drop-down list here
  else
    return TItemsControl::SetProperty(name, v, r);
  return true;
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 105);
}

}  // namespace ui
