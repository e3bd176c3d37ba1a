#pragma once
// The standard controls: label, button, check box, radio button, edit, list
// box, combo box, group box.
#include <string>
#include <vector>

#include "ui/control.h"

namespace ui {

// Key codes the windows react to.
constexpr WORD VK_RETURN = 0x0D, VK_ESCAPE = 0x1B, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23,
               VK_HOME = 0x24, VK_UP = 0x26, VK_DOWN = 0x28, VK_DELETE = 0x2E;

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v) { auto_size_ = v; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }
  bool WordWrap() const { return word_wrap_; }
  void SetCaption(const std::string& c) override;
  void Loaded() override;
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  // An auto-sized label is as wide as its text (estimated from the font's
  // height, as the model has no font metrics), so containers that scroll
  // know how far it reaches.
  void AdjustSize();
  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool auto_size_ = true;
  bool transparent_ = false;
  bool word_wrap_ = false;
};

// A windowed control that takes keys.
class TKeyControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  TKeyEvent OnKeyDown, OnKeyUp;
  // A key pressed and released while the control has the focus; Return and
  // Escape also reach the form's default and cancel buttons.
  virtual void UserKey(WORD key);
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;
};

class TButton : public TKeyControl {
 public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  void Click() override;
  bool Default() const { return default_; }
  bool Cancel() const { return cancel_; }
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int r) { modal_result_ = r; }
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modal_result_ = 0;
};

class TCheckBox : public TKeyControl {
 public:
  explicit TCheckBox(TComponent* owner);
  const char* ClassName() const override { return "TCheckBox"; }
  bool Checked() const { return checked_; }
  // Runs the click action when the state changes, as a user's click would.
  void SetChecked(bool v);
  void UserClick() override;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; }
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  bool checked_ = false;
  TAlignment alignment_ = TAlignment::taRightJustify;
};

class TRadioButton : public TKeyControl {
 public:
  explicit TRadioButton(TComponent* owner);
  const char* ClassName() const override { return "TRadioButton"; }
  bool Checked() const { return checked_; }
  // Checking runs the click action only when the button was not checked; its
  // sibling radio buttons are unchecked without running theirs.
  void SetChecked(bool v);
  void UserClick() override;
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  bool checked_ = false;
};

class TEdit : public TKeyControl {
 public:
  explicit TEdit(TComponent* owner);
  const char* ClassName() const override { return "TEdit"; }
  const std::string& Text() const { return Caption(); }
  void SetText(const std::string& t);
  int MaxLength() const { return max_length_; }
  TNotifyEvent OnChange;
  // A user typing: the text replaces the field's content.
  void UserType(const std::string& t) { SetText(t); }
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  int max_length_ = 0;
};

// The item list of a list or combo box.
class TItemsControl : public TKeyControl {
 public:
  using TKeyControl::TKeyControl;
  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Adds an item (in sorted place when the control is sorted); returns its index.
  int Add(const std::string& s);
  // Adds many items as one change: the same list as Add for each in turn
  // (sorted: each after the items that compare equal to it), in n log n.
  void AddStrings(std::vector<std::string> items);
  void Delete(int i);
  void Clear();
  void SetItem(int i, const std::string& s);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);
  int ItemIndex() const { return item_index_; }
  // From code: runs no handler.
  void SetItemIndex(int i);
  // A user's choice of item i.
  virtual void UserSelect(int i) = 0;
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  std::vector<std::string> items_;
  bool sorted_ = false;
  int item_index_ = -1;
};

class TListBox : public TItemsControl {
 public:
  explicit TListBox(TComponent* owner);
  const char* ClassName() const override { return "TListBox"; }
  void UserSelect(int i) override;
};

class TComboBox : public TItemsControl {
 public:
  explicit TComboBox(TComponent* owner);
  const char* ClassName() const override { return "TComboBox"; }
  TNotifyEvent OnChange;
  void UserSelect(int i) override;
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;
};

class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner);
  const char* ClassName() const override { return "TGroupBox"; }
};

}  // namespace ui
