#pragma once
// The widgetset: what turns the component model into something a user can
// see and touch. A peer is made from its control once the control's parent
// has one, filled from the model, and told of every later change; user input
// comes back as calls on the model, never as state read from the widget.
#include <memory>
#include <string>

#include "ui/weaktarget.h"
#include "ui/wintypes.h"

namespace ui {

class TControl;
class TWinControl;
class TForm;
class TSpeedButton;
class TLabel;
class TBevel;
class TShape;
class TImage;
class TCheckBox;
class TRadioButton;
class TButton;
class TEdit;
class TListBox;
class TComboBox;
class TTrackBar;
class TGroupBox;
class TScrollBox;

enum class Change {
  Bounds,
  Visible,
  Enabled,
  Caption,
  Color,
  Font,
  State,  // checked, down, position, text, item index
  Items,
  Hint,
  Icon,
  Menu,
  ZOrder,
  Raise,  // a shown form is brought to the front and activated
  Shown,  // a form's show handler has run: its window may appear now
};

// A weak reference (ui::TSafePtr) to a peer reads null once it is
// destroyed: with its control, or when the control leaves its parent.
class Peer : public WeakTarget {
 public:
  virtual ~Peer() = default;
  virtual void Changed(Change what) = 0;
  // A child that this peer draws itself (it has no peer) changed.
  virtual void ChildChanged(TControl& /*child*/, Change /*what*/) {}
  // The children from first to last (in child order) that this peer draws
  // changed alike: one call for a run of lamps.
  virtual void ChildrenChanged(TControl& first, TControl& last, Change what);
  // A child came or went, or began or ceased to be drawn by this peer.
  virtual void ChildListChanged() {}
};

// Makes a widgetset's peers, one overload per kind of control. Each class's
// registration names the kind that shows it (ui::PeerFacet in
// ui/controltraits.h); kinds a widgetset does not override get no peer.
class PeerMaker {
 public:
  virtual ~PeerMaker() = default;
  virtual std::unique_ptr<Peer> Make(TWinControl&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TForm&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TSpeedButton&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TLabel&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TBevel&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TShape&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TImage&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TCheckBox&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TRadioButton&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TButton&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TEdit&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TListBox&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TComboBox&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TTrackBar&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TGroupBox&) { return nullptr; }
  virtual std::unique_ptr<Peer> Make(TScrollBox&) { return nullptr; }
};

class Widgetset {
 public:
  virtual ~Widgetset() = default;
  // May return null: a control without a peer is simply not shown.
  virtual std::unique_ptr<Peer> CreatePeer(TControl& control) = 0;
  // A modal message box; returns the chosen button (IDOK, IDYES, ...).
  virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                         UINT flags) = 0;
  // Blocks until something may have happened: a posted message or user
  // input. Called by the message loop when its queue is empty.
  virtual void WaitForInput() = 0;
  // Called from any thread after a message was posted.
  virtual void Wake() = 0;
  virtual void ModalStarted(TForm&) {}
  virtual void ModalEnded(TForm&) {}
  virtual int ScreenWidth() const { return 1024; }
  virtual int ScreenHeight() const { return 768; }
};

}  // namespace ui
