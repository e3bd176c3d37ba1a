// The Qt peers against the model: they mirror it, hand the user's input
// back exactly once, and survive the model freeing controls in any order.
#include <gtest/gtest.h>

#include <QWheelEvent>

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <thread>

#include "controls/audioctl32.h"
#include "qt/peer.h"
#include "qt/qtwidgetset.h"
#include "ui/application.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace qt {
namespace {

class TPeerForm : public ui::TForm {
 public:
  explicit TPeerForm(ui::TComponent* owner) : ui::TForm(owner) {
    controls::RegisterControlClasses();
    Handler("BoxClick", &TPeerForm::BoxClick);
    Handler("ListClick", &TPeerForm::ListClick);
    Handler("FormClose", &TPeerForm::FormClose);
    Member("Panel1", Panel1);
    Member("chkOne", chkOne);
    Member("lstNames", lstNames);
    Member("Slider1", Slider1);
  }
  const char* ClassName() const override { return "TPeerForm"; }
  void BoxClick(ui::TComponent*) {
    ++clicks;
    if (on_click) on_click();
  }
  void ListClick(ui::TComponent*) { ++list_clicks; }
  void FormClose(ui::TComponent*, ui::TCloseAction&) { ++closes; }

  ui::TPanel* Panel1 = nullptr;
  ui::TCheckBox* chkOne = nullptr;
  ui::TListBox* lstNames = nullptr;
  controls::TSlider* Slider1 = nullptr;
  int clicks = 0, list_clicks = 0, closes = 0;
  std::function<void()> on_click;
};

constexpr const char* kLayout = R"(object PeerForm: TPeerForm
  Caption = 'Fenster'
  BorderStyle = bsSingle
  Width = 206
  Height = 225
  OnClose = FormClose
  object Panel1: TPanel
    Align = alTop
    Height = 60
    BevelInner = bvRaised
    BevelOuter = bvLowered
    object chkOne: TCheckBox
      Left = 8
      Top = 5
      Width = 120
      Height = 17
      Caption = ' &Eins'
      OnClick = BoxClick
    end
  end
  object lstNames: TListBox
    Left = 8
    Top = 64
    Width = 100
    Height = 40
    Items.Strings = (
      'a'
      'b')
    OnClick = ListClick
  end
  object Slider1: TSlider
    Left = 150
    Top = 64
    Height = 120
    Max = 100
  end
end
)";

struct QtFixture : ::testing::Test {
  QtWidgetset ws;
  ui::TApplication app{ws};
  ui::TForm* main_form = ui::Create<ui::TForm>(&app);  // the first form is the main form

  TPeerForm* Make() {
    auto* f = ui::Create<TPeerForm>(&app);
    f->InitializeFrom("peer.form", kLayout);
    return f;
  }
  TPeerForm* Shown() {
    TPeerForm* f = Make();
    f->Show();
    return f;
  }
  static QWidget* ThumbOf(controls::TSlider* s) { return ControlPeer::WidgetOf(*s->Thumb()); }
  static QCheckBox* BoxOf(ui::TControl* c) {
    return dynamic_cast<QCheckBox*>(ControlPeer::WidgetOf(*c));
  }
  static void Mouse(QWidget* w, QEvent::Type type, QPoint pos) {
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
  }
};

}  // namespace

TEST_F(QtFixture, PeersAreMadeWhenTheFormShowsAndMirrorTheModel) {
  TPeerForm* f = Make();
  EXPECT_EQ(ControlPeer::WidgetOf(*f), nullptr);  // nothing shown yet
  f->Show();
  QWidget* window = ControlPeer::WidgetOf(*f);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isWindow());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Fenster"));
  // The window's inside is the form's client area, fixed for a single border.
  EXPECT_EQ(window->size(), QSize(f->ClientWidth(), f->ClientHeight()));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());

  QCheckBox* box = BoxOf(f->chkOne);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), QStringLiteral(" &Eins"));
  EXPECT_EQ(box->geometry(), QRect(8, 5, 120, 17));
  EXPECT_FALSE(box->isChecked());
  // A child sits on its parent's widget.
  EXPECT_EQ(box->parentWidget(), ControlPeer::WidgetOf(*f->Panel1));

  // Changes of the model reach the widgets.
  f->chkOne->SetChecked(true);
  EXPECT_TRUE(box->isChecked());
  f->chkOne->SetCaption("Zwei");
  EXPECT_EQ(box->text(), QStringLiteral("Zwei"));
  f->chkOne->SetBounds(10, 20, 90, 19);
  EXPECT_EQ(box->geometry(), QRect(10, 20, 90, 19));
  f->chkOne->SetEnabled(false);
  EXPECT_FALSE(box->isEnabled());
  f->chkOne->Hide();
  EXPECT_TRUE(box->isHidden());
  f->SetCaption("Neu");
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Neu"));
  f->Hide();
  EXPECT_FALSE(window->isVisible());
  // Shown again: the same window, not a second one.
  f->Show();
  EXPECT_EQ(ControlPeer::WidgetOf(*f), window);
}

TEST_F(QtFixture, AUserClickReachesTheHandlerOnceWithoutEcho) {
  TPeerForm* f = Shown();
  QCheckBox* box = BoxOf(f->chkOne);
  ASSERT_NE(box, nullptr);
  int toggles = 0;
  QObject::connect(box, &QCheckBox::toggled, [&toggles] { ++toggles; });

  box->click();  // what a user's click does
  EXPECT_EQ(f->clicks, 1);
  EXPECT_TRUE(f->chkOne->Checked());
  EXPECT_TRUE(box->isChecked());
  EXPECT_EQ(toggles, 1);  // Qt's own toggle; the model's state came back blocked

  // A handler that refuses the change and sets the box back from code: the
  // model runs the click once more for that change, the widget shows the
  // model's state and never reports it back.
  f->on_click = [f] { f->chkOne->SetChecked(true); };
  box->click();
  EXPECT_EQ(f->clicks, 3);
  EXPECT_TRUE(f->chkOne->Checked());
  EXPECT_TRUE(box->isChecked());

  // Setting from code runs the model's click once and shows the state.
  f->on_click = nullptr;
  f->chkOne->SetChecked(false);
  EXPECT_EQ(f->clicks, 4);
  EXPECT_FALSE(box->isChecked());

  // A user's choice in the list selects the item and clicks once.
  auto* list = dynamic_cast<QListWidget*>(ControlPeer::WidgetOf(*f->lstNames));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 2);
  list->setCurrentRow(1);
  EXPECT_EQ(f->lstNames->ItemIndex(), 1);
  EXPECT_EQ(f->list_clicks, 1);
  f->lstNames->SetItemIndex(0);  // from code: shown, no click
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(f->list_clicks, 1);
}

TEST_F(QtFixture, DraggingTheFaderThumbMovesTheModelAndTheThumbFollows) {
  TPeerForm* f = Shown();
  controls::TSlider* s = f->Slider1;
  QWidget* thumb = ThumbOf(s);
  ASSERT_NE(thumb, nullptr);
  EXPECT_EQ(s->Position(), 0);
  const QPoint grab(thumb->width() / 2, thumb->height() / 2);
  const QPoint global_grab = thumb->mapToGlobal(grab);
  Mouse(thumb, QEvent::MouseButtonPress, grab);
  Mouse(thumb, QEvent::MouseMove, grab - QPoint(0, 28));
  const int after_first = s->Position();
  EXPECT_GT(after_first, 0);
  EXPECT_EQ(thumb->geometry(), QRect(s->Thumb()->Left(), s->Thumb()->Top(), s->Thumb()->Width(),
                                     s->Thumb()->Height()));
  // The mouse stays where it is: relative to the moved thumb it is at the
  // grab point again, so the value must not move on.
  Mouse(thumb, QEvent::MouseMove, thumb->mapFromGlobal(global_grab - QPoint(0, 28)));
  EXPECT_EQ(s->Position(), after_first);
  Mouse(thumb, QEvent::MouseButtonRelease, thumb->mapFromGlobal(global_grab - QPoint(0, 28)));
  EXPECT_FALSE(s->Dragging());
  // Moves without the button held are not drags.
  Mouse(thumb, QEvent::MouseMove, grab - QPoint(0, 50));
  EXPECT_EQ(s->Position(), after_first);
}

// The wheel over the thumb or its grip line moves the fader a notch at a
// time, as the model's drag does; partial notches add up.
TEST_F(QtFixture, TheWheelOverAFaderMovesItByNotches) {
  TPeerForm* f = Shown();
  controls::TSlider* s = f->Slider1;
  QWidget* thumb = ThumbOf(s);
  ASSERT_NE(thumb, nullptr);
  auto wheel = [&](int delta) {
    const QPointF at(thumb->width() / 2.0, thumb->height() / 2.0);
    QWheelEvent e(at, thumb->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(thumb, &e);
  };
  wheel(60);
  EXPECT_EQ(s->Offset(), 0);  // half a notch
  wheel(60);
  const int step = s->Offset();
  EXPECT_GT(step, 0);
  wheel(240);
  EXPECT_EQ(s->Offset(), 3 * step);
  EXPECT_TRUE(ControlPeer::WidgetOf(*s->Grip())->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(QtFixture, TheCloseBoxAsksTheFormAndKeepsTheWindow) {
  TPeerForm* f = Shown();
  QPointer<QWidget> window = ControlPeer::WidgetOf(*f);
  QCloseEvent close;
  QCoreApplication::sendEvent(window.data(), &close);
  EXPECT_FALSE(close.isAccepted());
  EXPECT_EQ(f->closes, 1);
  EXPECT_FALSE(f->Visible());  // the default close action hides
  ASSERT_FALSE(window.isNull());
  EXPECT_FALSE(window->isVisible());
}

TEST_F(QtFixture, FreeingControlsInAnyOrderLeavesNoWidgetBehind) {
  TPeerForm* f = Shown();
  QPointer<QWidget> window = ControlPeer::WidgetOf(*f);
  QPointer<QWidget> box = ControlPeer::WidgetOf(*f->chkOne);
  QPointer<QWidget> panel = ControlPeer::WidgetOf(*f->Panel1);
  QPointer<QWidget> list = ControlPeer::WidgetOf(*f->lstNames);
  // A child first, then the whole form with the rest.
  f->lstNames->Free();
  EXPECT_TRUE(list.isNull() || list->isHidden());
  f->Free();
  EXPECT_FALSE(window.isNull());  // hidden, deleted at the next safe point
  EXPECT_FALSE(window->isVisible());
  ws.DeleteRetired();
  EXPECT_TRUE(window.isNull());
  EXPECT_TRUE(box.isNull());
  EXPECT_TRUE(panel.isNull());
  EXPECT_TRUE(list.isNull());
  EXPECT_EQ(ws.RetiredCount(), 0u);
}

TEST_F(QtFixture, AHandlerMayFreeTheFormOfTheBoxBeingClicked) {
  TPeerForm* f = Shown();
  QPointer<QCheckBox> box = BoxOf(f->chkOne);
  bool freed = false;
  // The closure goes with the form: nothing of it is touched after Free.
  f->on_click = [f, &freed] {
    freed = true;
    f->Free();
  };
  box->click();  // the box's own signal is still running when its form goes
  EXPECT_TRUE(freed);
  EXPECT_FALSE(box.isNull());
  // The application waits next: the leftovers go now.
  std::thread waker([this] { ws.Wake(); });
  ws.WaitForInput();
  waker.join();
  EXPECT_TRUE(box.isNull());
}

TEST_F(QtFixture, WakeFromAnotherThreadEndsTheWait) {
  for (int i = 0; i < 3; ++i) {
    std::thread waker([this] { ws.Wake(); });
    ws.WaitForInput();  // would hang if the wake-up were lost
    waker.join();
  }
  bool ran = false;
  ws.SetIdleAction([&ran] { ran = true; });
  ws.WaitForInput();  // the idle action instead of waiting
  EXPECT_TRUE(ran);
}

}  // namespace qt
