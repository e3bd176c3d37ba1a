#pragma once
// Peers on Qt's standard widgets: check box, radio button, button, edit
// field, list box, combo box, track bar, group box and scroll box.
#include "qt/peer.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

class QScrollArea;

namespace qt {

// Return, Escape, Delete and Down reach the model's key handling; a list's
// Down moves the widget's selection first.
class KeyPeer : public ControlPeer {
 public:
  KeyPeer(PeerHost& ws, ui::TKeyControl& control) : ControlPeer(ws, control), key_(control) {}

 protected:
  bool Filter(QEvent* e) override;

 private:
  // Whether the widget should also see a key the model took.
  bool AlsoToWidget(int qt_key) const;

  ui::TKeyControl& key_;
  bool forwarding_ = false;
};

// A peer on one of Qt's standard widgets for a control of class C. What a
// kind makes, shows and connects is written with the kind (stdpeers.cpp);
// the kinds are check box, radio button, button, edit field, list box,
// combo box (key peers), track bar and group box.
template <typename C, typename Base = KeyPeer>
class StdPeer final : public Base {
 public:
  using Control = C;
  StdPeer(PeerHost& ws, C& c) : Base(ws, c), model_(c) {}

  C& model() const { return model_; }
  // For the kinds' own code.
  void ApplyAsBase(ui::Change what) { Base::Apply(what); }
  using Base::Deliver;
  using Base::Keep;

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  void Connect() override;

 private:
  C& model_;
};

// The children live on a content widget as wide as they reach; the view
// scrolls over it.
class ScrollBoxPeer : public ControlPeer {
 public:
  using Control = ui::TScrollBox;
  ScrollBoxPeer(PeerHost& ws, ui::TScrollBox& box) : ControlPeer(ws, box), box_(box) {}
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
