#include "qt/formpeer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <optional>

#include "qt/look.h"
#include "qt/placement.h"
#include "qt/qtwidgetset.h"
#include "qt/taborder.h"
#include "qt/windowmanager.h"
#include "ui/application.h"
#include "ui/stdctrls.h"

namespace qt {

namespace {
constexpr UINT kSysCommand = WM_SYSCOMMAND;
}  // namespace

QWidget* FormPeer::MakeWidget(QWidget*) {
  design_pos_ = QPoint(form_.Left(), form_.Top());
  auto* w = new QWidget(nullptr, FlagsFor());
  w->setAttribute(Qt::WA_QuitOnClose, false);
  w->setAutoFillBackground(true);
  MarkOwnWindow(w);
  return w;
}

Qt::WindowFlags FormPeer::FlagsFor() const {
  using B = ui::TFormBorderStyle;
  Qt::WindowFlags f = Qt::Window;
  switch (form_.BorderStyle()) {
    case B::bsNone:
      f |= Qt::FramelessWindowHint;
      break;
    case B::bsDialog:
      f = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
          Qt::WindowCloseButtonHint;
      break;
    case B::bsToolWindow:
    case B::bsSizeToolWin:
      f = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
      break;
    case B::bsSingle:
      f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
      break;
    case B::bsSizeable:
      f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
      if (!SizePinned()) f |= Qt::WindowMaximizeButtonHint;
      break;
  }
  if (form_.Topmost()) f |= Qt::WindowStaysOnTopHint;
  return f;
}

// A window whose height (or width) the limits pin has nothing to maximise:
// the window manager is told, so it offers neither the button nor the
// action.
bool FormPeer::SizePinned() const {
  const MINMAXINFO mmi = form_.SizeLimits();
  return mmi.ptMinTrackSize.y == mmi.ptMaxTrackSize.y ||
         mmi.ptMinTrackSize.x == mmi.ptMaxTrackSize.x;
}

void FormPeer::ApplyFlags() {
  QWidget* w = widget();
  const Qt::WindowFlags f = FlagsFor();
  if (f == w->windowFlags()) return;
  if (QWindow* native = w->windowHandle()) {
    // The window manager is told on the existing window, which is
    // neither taken down nor moved (staying on top is a matter of
    // stacking).
    native->setFlags(f);
    w->overrideWindowFlags(f);
  } else {
    w->setWindowFlags(f);
  }
}

void FormPeer::Apply(ui::Change what) {
  QWidget* w = widget();
  switch (what) {
    case ui::Change::Bounds:
      ApplyBounds();
      break;
    case ui::Change::Visible:
      // A window coming up waits for its show handler (Change::Shown).
      if (!form_.Visible() || w->isVisible()) ApplyVisible();
      break;
    case ui::Change::Shown:
      Appear();
      break;
    case ui::Change::Caption:
      w->setWindowTitle(FromUtf8(form_.Caption()));
      break;
    case ui::Change::Icon:
      w->setWindowIcon(widgetset().ThemedMixerIcon());
      break;
    case ui::Change::Color: {
      QPalette pal = w->palette();
      pal.setColor(QPalette::Window, ToQColor(form_.Color()));
      w->setPalette(pal);
      break;
    }
    case ui::Change::ZOrder:
      ApplyFlags();
      break;
    case ui::Change::Raise:
      if (w->isVisible()) {
        if (w->isMinimized()) w->showNormal();
        RaiseAtUsersRequest(w);
        RestoreOwnedWindows();
      }
      break;
    case ui::Change::Font:
      // The children have fonts of their own; the form's is for new ones.
      w->setFont(ToQFont(form_.Font()));
      break;
    default:
      ControlPeer::Apply(what);
      break;
  }
}

void FormPeer::ApplyBounds() {
  QWidget* w = widget();
  const int cw = std::max(1, form_.ClientWidth());
  const int ch = std::max(1, form_.ClientHeight());
  using B = ui::TFormBorderStyle;
  const bool sizeable =
      form_.BorderStyle() == B::bsSizeable || form_.BorderStyle() == B::bsSizeToolWin;
  if (sizeable) {
    // The window manager learns the limits as size hints, so a drag of an
    // edge stays within them (a pinned height cannot be dragged at all).
    const MINMAXINFO mmi = form_.SizeLimits();
    const int ncw = form_.NonClientWidth(), nch = form_.NonClientHeight();
    w->setMinimumSize(std::max(1, static_cast<int>(mmi.ptMinTrackSize.x) - ncw),
                      std::max(1, static_cast<int>(mmi.ptMinTrackSize.y) - nch));
    w->setMaximumSize(std::max(1, static_cast<int>(mmi.ptMaxTrackSize.x) - ncw),
                      std::max(1, static_cast<int>(mmi.ptMaxTrackSize.y) - nch));
    w->resize(cw, ch);
    ApplyFlags();
  } else {
    w->setFixedSize(cw, ch);
  }
  // Left and Top are where the frame goes, as on Windows. A shown window's
  // frame is known and placed directly; before it is shown Qt takes the
  // position as the frame's as well.
  const QPoint frame(form_.Left(), form_.Top());
  if (QWindow* native = w->windowHandle(); native && w->isVisible()) {
    if (native->framePosition() != frame) native->setFramePosition(frame);
  } else if (w->pos() != frame) {
    w->move(frame);
  }
}

void FormPeer::ApplyVisible() {
  QWidget* w = widget();
  if (!form_.Visible()) {
    w->hide();
    return;
  }
  // Modality can only change while the window is down.
  Qt::WindowModality modality = form_.Modal() ? Qt::ApplicationModal : Qt::NonModal;
  if (w->windowModality() != modality) {
    w->hide();
    w->setWindowModality(modality);
  }
  switch (form_.WindowState()) {
    case ui::TWindowState::wsMinimized:
      w->showMinimized();
      break;
    case ui::TWindowState::wsMaximized:
      w->showMaximized();
      break;
    default:
      w->showNormal();
      // The offscreen platform has no stacking order to change.
      if (!Offscreen()) w->raise();
      break;
  }
}

namespace {

bool ShownTopLevel(const QWidget* w) {
  return w->isWindow() && w->isVisible() && !w->isMinimized() &&
         (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog ||
          w->windowType() == Qt::Tool);
}

QRect WorkArea(const QWidget* w) {
  QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return s ? UsableArea(s->geometry(), s->availableGeometry(), WorkAreaReported()) : QRect();
}

bool Framed(const QWidget* w) {
  return w->frameGeometry() != w->geometry();
}

}  // namespace

// The frame the window manager adds: the largest that a framed window of
// ours shows, and no smaller than the form's own guess (a sizeable window
// may have handles that a fixed one lacks).
QSize FormPeer::FrameExtra() const {
  QSize extra(form_.NonClientWidth(), form_.NonClientHeight());
  for (QWidget* other : QApplication::topLevelWidgets())
    if (IsOwnWindow(other) && ShownTopLevel(other) && Framed(other))
      extra = extra.expandedTo(other->frameGeometry().size() - other->geometry().size());
  return extra;
}

// The window with its frame; one the window manager has not framed yet
// with the frame it will get.
QRect FormPeer::FrameOnScreen() const {
  const QWidget* w = widget();
  return Framed(w) ? w->frameGeometry() : QRect(w->pos(), w->size() + FrameExtra());
}

void FormPeer::Appear() {
  if (!appeared_) PlaceFirstTime();
  appeared_ = true;
  OrderTabs();
  // Some window managers (weston's XWayland) take a window's place only
  // as it is mapped.
  KeepOnScreen();
  ApplyVisible();
  framed_ = Framed(widget());
}

// A mixer window without a stored place opens where it covers none of the
// program's windows, as a window manager places a new window; the place is
// stored on closing like one the user chose.
void FormPeer::PlaceFirstTime() {
  using B = ui::TFormBorderStyle;
  const bool plain = form_.BorderStyle() == B::bsSingle || form_.BorderStyle() == B::bsSizeable;
  if (!plain || form_.Modal() || form_.Position() != ui::TPosition::poDesigned ||
      !dynamic_cast<ui::TForm*>(form_.Owner()) ||
      QPoint(form_.Left(), form_.Top()) != design_pos_ || Offscreen() || !WindowsHavePlaces())
    return;
  QWidget* w = widget();
  const QRect area = WorkArea(w);
  if (area.isEmpty()) return;
  // A window not framed yet is taken with the frame it will get.
  const QSize frame_extra = FrameExtra();
  std::vector<QRect> taken;
  for (QWidget* other : QApplication::topLevelWidgets())
    if (other != w && IsOwnWindow(other) && ShownTopLevel(other))
      taken.push_back(Framed(other) ? other->frameGeometry()
                                    : QRect(other->pos(), other->size() + frame_extra));
  // Windows whose show handler is still running (the control window that
  // opens this one) are not up yet, but will be where the model says.
  if (ui::TApplication* app = ui::Application()) {
    for (ui::TForm* f : app->Forms()) {
      QWidget* fw = ControlPeer::WidgetOf(*f);
      if (f != &form_ && f->Visible() && fw && !fw->isVisible())
        taken.emplace_back(f->Left(), f->Top(), f->Width(), f->Height());
    }
  }
  const QPoint p = FreePlace(area, taken, w->size() + frame_extra);
  if (p == w->pos()) return;
  w->move(p);
  MovedByWindowManager();
}

// The model learns a place the program chose as a move by the user, once
// the window is where it was put.
void FormPeer::MovedByWindowManager() {
  QMetaObject::invokeMethod(
      widget(),
      [self = ui::TSafePtr<FormPeer>(this)] {
        if (self) self->UserMoved();
      },
      Qt::QueuedConnection);
}

// A window stored past an edge of the screen (a larger screen, a screen
// that is gone) comes back whole, and one taller than the screen (large
// scale factors) keeps its title bar where the user can take it. Checked
// before the window appears, with the frame it will get, and again once
// the window manager has framed it.
void FormPeer::KeepOnScreen() {
  QWidget* w = widget();
  if (Offscreen() || !WindowsHavePlaces()) return;
  const QRect area = WorkArea(w);
  const QRect frame = FrameOnScreen();
  if (area.isEmpty() || area.contains(frame)) return;
  const QPoint p = Reachable(area, frame);
  if (p == frame.topLeft()) return;
  QWindow* native = w->windowHandle();
  if (native && w->isVisible())
    native->setFramePosition(p);
  else
    w->move(p);
  MovedByWindowManager();
}

// The frame the window manager gave may be larger than the one guessed.
void FormPeer::FrameArrived() {
  if (framed_ || !Framed(widget())) return;
  framed_ = true;
  KeepOnScreen();
}

void FormPeer::OrderTabs() {
  qt::OrderTabs(widget());
}

void FormPeer::UserMoved() {
  // Where the platform cannot say where a window is, the model keeps its
  // place (and the settings file the stored one).
  if (!WindowsHavePlaces()) return;
  QPoint p = widget()->pos();
  if (p.x() == form_.Left() && p.y() == form_.Top()) return;
  ui::TForm& f = form_;
  Deliver([&f, p] { f.SetBounds(p.x(), p.y(), f.Width(), f.Height()); });
}

void FormPeer::UserResized() {
  QSize s = widget()->size();
  if (s.width() == form_.ClientWidth() && s.height() == form_.ClientHeight()) return;
  ui::TForm& f = form_;
  const int ncw = f.Width() - f.ClientWidth();
  const int nch = f.Height() - f.ClientHeight();
  const ui::TSafePtr<ControlPeer> self(this);
  Deliver([&f, s, ncw, nch] { f.SetBounds(f.Left(), f.Top(), s.width() + ncw, s.height() + nch); });
  // The model may have kept its own size: show that one.
  if (self) Changed(ui::Change::Bounds);
}

bool FormPeer::DefaultButtonKey(int qt_key) {
  bool ret = qt_key == Qt::Key_Return || qt_key == Qt::Key_Enter;
  if (!ret && qt_key != Qt::Key_Escape) return false;
  for (ui::TComponent* c : form_.ComponentList()) {
    auto* b = dynamic_cast<ui::TButton*>(c);
    if (b && b->Showing() && b->Enabled() && (ret ? b->Default() : b->Cancel())) {
      Deliver([b] { b->Click(); });
      return true;
    }
  }
  return false;
}

// F6 and Shift+F6 go to the next and the previous of the program's shown
// windows, in the order they were made, whatever the window manager
// offers: from a mixer window the keyboard reaches the control window's
// boxes.
void FormPeer::ActivateNeighbour(int step) {
  ui::TApplication* app = ui::Application();
  if (!app) return;
  std::vector<QWidget*> shown;
  for (ui::TForm* f : app->Forms()) {
    QWidget* fw = ControlPeer::WidgetOf(*f);
    if (fw && (fw == widget() || (ShownTopLevel(fw) && !f->Modal()))) shown.push_back(fw);
  }
  const auto here = std::find(shown.begin(), shown.end(), widget());
  if (shown.size() < 2 || here == shown.end()) return;
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(shown.size());
  RaiseAtUsersRequest(shown[((here - shown.begin()) + step + n) % n]);
}

// The windows this one owns come back with it from the task bar, as the
// window manager would bring them: each is told SC_RESTORE.
void FormPeer::RestoreOwnedWindows() {
  ui::TApplication* app = ui::Application();
  if (!app) return;
  for (ui::TComponent* c : form_.ComponentList()) {
    auto* owned = dynamic_cast<ui::TForm*>(c);
    if (owned && owned->Visible() && owned->WindowState() == ui::TWindowState::wsMinimized)
      app->PostMessage(owned->Handle(), kSysCommand, ui::SC_RESTORE, 0);
  }
}

void FormPeer::ShowSystemMenu(const QPoint& global_pos) {
  QMenu menu;
  using B = ui::TFormBorderStyle;
  const bool sizeable =
      form_.BorderStyle() == B::bsSizeable || form_.BorderStyle() == B::bsSizeToolWin;
  const ui::TWindowState state = form_.WindowState();
  for (const ui::MenuItem& item : form_.SystemMenu()) {
    if (item.separator) {
      menu.addSeparator();
      continue;
    }
    // Moving and sizing belong to the window manager's frame here; what the
    // window's state or border does not allow is shown but greyed.
    if (item.id == ui::SC_MOVE || item.id == ui::SC_SIZE) continue;
    QAction* a = menu.addAction(FromUtf8(item.caption));
    a->setData(static_cast<uint>(item.id));
    if ((item.id == ui::SC_RESTORE && state == ui::TWindowState::wsNormal) ||
        (item.id == ui::SC_MAXIMIZE &&
         (!sizeable || SizePinned() || state == ui::TWindowState::wsMaximized)) ||
        (item.id == ui::SC_MINIMIZE &&
         (form_.BorderStyle() == B::bsDialog || state == ui::TWindowState::wsMinimized)))
      a->setEnabled(false);
    if (item.checked) {
      a->setCheckable(true);
      a->setChecked(true);
    }
  }
  // The item may be chosen by mouse, key or accessibility: all trigger it.
  std::optional<UINT> chosen;
  QObject::connect(&menu, &QMenu::triggered,
                   [&chosen](QAction* a) { chosen = a->data().toUInt(); });
  const ui::TSafePtr<ControlPeer> self(this);
  menu.exec(global_pos);
  if (!chosen || !self) return;
  if (ui::TApplication* app = ui::Application())
    app->PostMessage(form_.Handle(), kSysCommand, *chosen, 0);
}

bool FormPeer::Filter(QEvent* e) {
  switch (e->type()) {
    case QEvent::Close: {
      // The window stays; the form decides what closing means.
      e->ignore();
      ui::TForm& f = form_;
      Deliver([&f] { f.Perform(kSysCommand, ui::SC_CLOSE, 0); });
      return true;
    }
    case QEvent::ContextMenu:
      ShowSystemMenu(static_cast<QContextMenuEvent*>(e)->globalPos());
      return true;
    case QEvent::Move:
      if (e->spontaneous() && !applying() && widget()->isVisible()) {
        UserMoved();
        FrameArrived();
      }
      return false;
    case QEvent::Resize:
      if (e->spontaneous() && !applying() && widget()->isVisible()) {
        UserResized();
        FrameArrived();
      }
      return false;
    case QEvent::WindowStateChange: {
      if (!e->spontaneous() || applying()) return false;
      const bool minimized = widget()->windowState() & Qt::WindowMinimized;
      // A dialog has no minimise; a window manager that offers it anyway
      // gets the dialog straight back.
      if (minimized && form_.BorderStyle() == ui::TFormBorderStyle::bsDialog) {
        QMetaObject::invokeMethod(widget(), &QWidget::showNormal, Qt::QueuedConnection);
        return false;
      }
      const bool was = form_.WindowState() == ui::TWindowState::wsMinimized;
      if (minimized != was) {
        ui::TForm& f = form_;
        WPARAM cmd = minimized ? ui::SC_MINIMIZE : ui::SC_RESTORE;
        Deliver([&f, cmd] { f.Perform(kSysCommand, cmd, 0); });
      }
      return false;
    }
    case QEvent::KeyPress: {
      const auto* k = static_cast<QKeyEvent*>(e);
      if (k->key() == Qt::Key_F6) {
        ActivateNeighbour(k->modifiers() & Qt::ShiftModifier ? -1 : 1);
        return true;
      }
      return DefaultButtonKey(k->key());
    }
    default:
      return false;
  }
}

}  // namespace qt
