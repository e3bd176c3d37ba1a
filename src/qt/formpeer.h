#pragma once
// A form as a top-level window: title, icon, fixed or resizable size as the
// form's border says, topmost flag, modality while it runs modally. The
// close box and the window's context menu (the form's system menu) become
// system commands of the form; moving and resizing by the user reach the
// model as new bounds.
#include "qt/peer.h"
#include "ui/form.h"

namespace qt {

class FormPeer : public ControlPeer {
 public:
  using Control = ui::TForm;
  FormPeer(PeerHost& ws, ui::TForm& form) : ControlPeer(ws, form), form_(form) {}
  ui::TForm& form() const { return form_; }

  // The form's system menu as the user sees it; the chosen command is
  // posted to the form.
  void ShowSystemMenu(const QPoint& global_pos);
  void RestoreOwnedWindows();

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  bool Filter(QEvent* e) override;
  void Resync() override {}

 private:
  Qt::WindowFlags FlagsFor() const;
  bool SizePinned() const;
  void ApplyFlags();
  void ApplyVisible();
  // Once the show handler has run: the first place of a window without a
  // stored one, the keyboard order, the window itself, whole on the screen.
  void Appear();
  void PlaceFirstTime();
  QSize FrameExtra() const;
  QRect FrameOnScreen() const;
  void KeepOnScreen();
  void FrameArrived();
  void MovedByWindowManager();
  void OrderTabs();
  void ApplyBounds();
  void UserMoved();
  void UserResized();
  bool DefaultButtonKey(int qt_key);
  void ActivateNeighbour(int step);

  ui::TForm& form_;
  QPoint design_pos_;  // where the layout (or the code before showing) put it
  bool appeared_ = false;
  bool framed_ = false;  // the window manager's frame is known
};

}  // namespace qt
