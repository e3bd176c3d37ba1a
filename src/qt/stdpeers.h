#pragma once
// Peers on Qt's standard widgets: check box, radio button, button, edit
// field, list box, combo box, track bar, group box and scroll box.
#include "qt/peer.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

class QScrollArea;

namespace qt {

// Return, Escape, Delete and Down reach the model's key handling.
class KeyPeer : public ControlPeer {
 public:
  KeyPeer(QtWidgetset& ws, ui::TKeyControl& control) : ControlPeer(ws, control), key_(control) {}

 protected:
  bool Filter(QEvent* e) override;
  // Whether the widget should also see a key the model took.
  virtual bool AlsoToWidget(int /*qt_key*/) const { return false; }

 private:
  ui::TKeyControl& key_;
  bool forwarding_ = false;
};

class CheckBoxPeer : public KeyPeer {
 public:
  using Control = ui::TCheckBox;
  CheckBoxPeer(QtWidgetset& ws, ui::TCheckBox& box) : KeyPeer(ws, box), box_(box) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;

 private:
  ui::TCheckBox& box_;
};

class RadioButtonPeer : public KeyPeer {
 public:
  using Control = ui::TRadioButton;
  RadioButtonPeer(QtWidgetset& ws, ui::TRadioButton& button)
      : KeyPeer(ws, button), button_(button) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;

 private:
  ui::TRadioButton& button_;
};

class ButtonPeer : public KeyPeer {
 public:
  using Control = ui::TButton;
  ButtonPeer(QtWidgetset& ws, ui::TButton& button) : KeyPeer(ws, button), button_(button) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;

 private:
  ui::TButton& button_;
};

class EditPeer : public KeyPeer {
 public:
  using Control = ui::TEdit;
  EditPeer(QtWidgetset& ws, ui::TEdit& edit) : KeyPeer(ws, edit), edit_(edit) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;

 private:
  ui::TEdit& edit_;
};

class ListBoxPeer : public KeyPeer {
 public:
  using Control = ui::TListBox;
  ListBoxPeer(QtWidgetset& ws, ui::TListBox& list) : KeyPeer(ws, list), list_(list) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;
  bool AlsoToWidget(int qt_key) const override;

 private:
  ui::TListBox& list_;
};

class ComboBoxPeer : public KeyPeer {
 public:
  using Control = ui::TComboBox;
  ComboBoxPeer(QtWidgetset& ws, ui::TComboBox& combo) : KeyPeer(ws, combo), combo_(combo) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;

 private:
  void FitItems();
  ui::TComboBox& combo_;
};

class TrackBarPeer : public ControlPeer {
 public:
  using Control = ui::TTrackBar;
  TrackBarPeer(QtWidgetset& ws, ui::TTrackBar& bar) : ControlPeer(ws, bar), bar_(bar) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;

 private:
  ui::TTrackBar& bar_;
};

class GroupBoxPeer : public ControlPeer {
 public:
  using Control = ui::TGroupBox;
  GroupBoxPeer(QtWidgetset& ws, ui::TGroupBox& box) : ControlPeer(ws, box) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
};

// The children live on a content widget as wide as they reach; the view
// scrolls over it.
class ScrollBoxPeer : public ControlPeer {
 public:
  using Control = ui::TScrollBox;
  ScrollBoxPeer(QtWidgetset& ws, ui::TScrollBox& box) : ControlPeer(ws, box), box_(box) {}
  QWidget* container() const override { return content_.data(); }
  void ChildBoundsChanged() override;

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;

 private:
  ui::TScrollBox& box_;
  QPointer<QScrollArea> area_;
  QPointer<QWidget> content_;
};

}  // namespace qt
