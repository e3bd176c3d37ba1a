// Windows as the user meets them: the system menu, modal runs, the user
// moving and resizing, keys, speed buttons, lists of choices, the pictures
// of windows and the tray stand-in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QTimer>

#include "qt/peer.h"
#include "qt/qtwidgetset.h"
#include "qt/snapshot.h"
#include "qt/trayicon.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/comctrls.h"
#include "ui/form.h"
#include "ui/safeptr.h"
#include "ui/stdctrls.h"

// Qt lets its test library mark an event as coming from the window system
// through this class; the window peers only follow such events.
class QSpontaneKeyEvent {
 public:
  static void Mark(QEvent& e) { e.setSpontaneous(); }
};

namespace qt {
namespace {

class TDialogForm : public ui::TForm {
 public:
  explicit TDialogForm(ui::TComponent* owner) : ui::TForm(owner) {
    Handler("Clicked", &TDialogForm::Clicked);
    Handler("Changed", &TDialogForm::Changed);
    Member("btnOk", btnOk);
    Member("edName", edName);
    Member("btnRoute", btnRoute);
    Member("boxRate", boxRate);
    Member("barLatency", barLatency);
    SetMessageHandler(WM_SYSCOMMAND, [this](ui::TMessage& m) {
      commands.push_back(static_cast<UINT>(m.WParam));
      DefaultHandler(m);
    });
    SetMessageHandler(WM_GETMINMAXINFO, [](ui::TMessage& m) {
      auto* mmi = reinterpret_cast<MINMAXINFO*>(m.LParam);
      mmi->ptMaxTrackSize = {400, 300};
    });
  }
  const char* ClassName() const override { return "TDialogForm"; }
  void Clicked(ui::TComponent* s) { log += "click " + s->Name() + ";"; }
  void Changed(ui::TComponent* s) { log += "change " + s->Name() + ";"; }

  ui::TButton* btnOk = nullptr;
  ui::TEdit* edName = nullptr;
  ui::TSpeedButton* btnRoute = nullptr;
  ui::TComboBox* boxRate = nullptr;
  ui::TTrackBar* barLatency = nullptr;
  std::string log;
  std::vector<UINT> commands;
};

constexpr const char* kLayout = R"(object DialogForm: TDialogForm
  Caption = 'Dialog'
  Width = 300
  Height = 200
  object btnOk: TButton
    Left = 200
    Top = 140
    Caption = '&Ok'
    Default = True
    ModalResult = mrOk
    OnClick = Clicked
  end
  object edName: TEdit
    Left = 8
    Top = 8
    Width = 120
    Height = 21
    MaxLength = 4
    OnChange = Changed
  end
  object btnRoute: TSpeedButton
    Left = 8
    Top = 40
    Width = 30
    Height = 17
    GroupIndex = 1
    AllowAllUp = True
    Caption = 'Mic'
    OnClick = Clicked
  end
  object boxRate: TComboBox
    Left = 8
    Top = 64
    Items.Strings = (
      '44100 Hz'
      '48000 Hz')
    OnChange = Changed
  end
  object barLatency: TTrackBar
    Left = 8
    Top = 96
    Width = 200
    Height = 28
    Min = 1
    Max = 100
    Position = 10
    OnChange = Changed
  end
end
)";

struct FormsFixture : ::testing::Test {
  QtWidgetset ws;
  ui::TApplication app{ws};
  ui::TForm* main_form = ui::Create<ui::TForm>(&app);

  TDialogForm* Make() {
    auto* f = ui::Create<TDialogForm>(&app);
    f->InitializeFrom("dialog.form", kLayout);
    return f;
  }
  template <typename W>
  static W* WidgetOf(ui::TControl* c) {
    return dynamic_cast<W*>(ControlPeer::WidgetOf(*c));
  }
  static void Click(QWidget* w, QPoint at) {
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
      QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, held,
                    Qt::NoModifier);
      QCoreApplication::sendEvent(w, &e);
    }
  }
  static void Key(QWidget* w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
  }
};

}  // namespace

TEST_F(FormsFixture, TheSystemMenuShowsTheFormsItemsAndPostsTheChosenCommand) {
  TDialogForm* f = Make();
  f->SystemMenu().push_back({0, "", false, true});
  f->SystemMenu().push_back({2, " Einstellungen &laden ...", true, false});
  f->SystemMenuChanged();
  f->Show();
  QStringList seen;
  bool checked = false;
  bool restore_enabled = true;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions()) {
      seen << (a->isSeparator() ? QStringLiteral("-") : a->text());
      if (a->data().toUInt() == ui::SC_RESTORE) restore_enabled = a->isEnabled();
      if (a->data().toUInt() == 2) {
        checked = a->isChecked();
        a->trigger();
      }
    }
    menu->close();
  });
  QWidget* window = ControlPeer::WidgetOf(*f);
  QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), window->mapToGlobal(QPoint(5, 5)));
  QCoreApplication::sendEvent(window, &e);
  // Moving and sizing are the window manager's; restoring a normal window
  // is greyed.
  ASSERT_EQ(seen.size(), 7);
  EXPECT_EQ(seen[0], QStringLiteral("&Wiederherstellen"));
  EXPECT_FALSE(seen.contains(QStringLiteral("&Verschieben")));
  EXPECT_FALSE(restore_enabled);
  EXPECT_EQ(seen[3], QStringLiteral("-"));
  EXPECT_EQ(seen[6], QStringLiteral(" Einstellungen &laden ..."));
  EXPECT_TRUE(checked);
  // Posted, not run inside the menu.
  EXPECT_TRUE(f->commands.empty());
  app.ProcessMessages();
  EXPECT_EQ(f->commands, std::vector<UINT>{2});
}

TEST_F(FormsFixture, AModalRunBlocksTheOtherWindowsAndEndsWithTheButtonsResult) {
  TDialogForm* f = Make();
  Qt::WindowModality during = Qt::NonModal;
  QTimer::singleShot(0, [&] {
    QWidget* window = ControlPeer::WidgetOf(*f);
    ASSERT_NE(window, nullptr);
    during = window->windowModality();
    WidgetOf<QPushButton>(f->btnOk)->click();
  });
  EXPECT_EQ(f->ShowModal(), ui::mrOk);
  EXPECT_EQ(during, Qt::ApplicationModal);
  EXPECT_EQ(f->log, "click btnOk;");
  EXPECT_FALSE(ControlPeer::WidgetOf(*f)->isVisible());
  // Shown normally afterwards, it no longer blocks anything.
  f->Show();
  EXPECT_EQ(ControlPeer::WidgetOf(*f)->windowModality(), Qt::NonModal);
}

// A dialog opened from a modal dialog for one run (the next card's) goes
// with its window as soon as its run ends, while the one beneath still runs
// and then takes the clicks again.
TEST_F(FormsFixture, ANestedModalRunsDialogGoesWhenItsRunEnds) {
  TDialogForm* outer = Make();
  ui::TSafePtr<TDialogForm> inner;
  QPointer<QWidget> inner_window;
  QTimer::singleShot(0, [&] {
    {
      std::unique_ptr<TDialogForm, ui::ModalRunDeleter> next(Make());
      inner = next.get();
      QTimer::singleShot(0, [&] {
        inner_window = ControlPeer::WidgetOf(*inner);
        WidgetOf<QPushButton>(inner->btnOk)->click();
      });
      EXPECT_EQ(next->ShowModal(), ui::mrOk);
    }
    // The form is gone, its window hidden at once (Qt deletes it at the
    // next wait outside every modal run).
    EXPECT_EQ(inner.get(), nullptr);
    ASSERT_FALSE(inner_window.isNull());
    EXPECT_FALSE(inner_window->isVisible());
    EXPECT_EQ(ControlPeer::WidgetOf(*outer)->windowModality(), Qt::ApplicationModal);
    WidgetOf<QPushButton>(outer->btnOk)->click();
  });
  EXPECT_EQ(outer->ShowModal(), ui::mrOk);
  EXPECT_EQ(outer->log, "click btnOk;");
}

TEST_F(FormsFixture, TheUsersMovesAndSizesGoToTheModelWithinItsLimits) {
  TDialogForm* f = Make();
  f->Show();
  QWidget* window = ControlPeer::WidgetOf(*f);
  const int ncw = f->Width() - f->ClientWidth(), nch = f->Height() - f->ClientHeight();
  // The window system resized the window: the model hears of it.
  window->resize(350, 250);
  QResizeEvent grow(QSize(350, 250), QSize(f->ClientWidth(), f->ClientHeight()));
  QSpontaneKeyEvent::Mark(grow);
  QApplication::instance()->notify(window, &grow);
  EXPECT_EQ(f->Width(), std::min(350 + ncw, 400));
  EXPECT_EQ(f->Height(), std::min(250 + nch, 300));
  // Beyond the form's limit the window is put back to the model's size.
  EXPECT_EQ(window->size(), QSize(f->ClientWidth(), f->ClientHeight()));
  window->move(33, 44);
  QMoveEvent moved(QPoint(33, 44), QPoint(0, 0));
  QSpontaneKeyEvent::Mark(moved);
  QApplication::instance()->notify(window, &moved);
  EXPECT_EQ(f->Left(), 33);
  EXPECT_EQ(f->Top(), 44);
}

TEST_F(FormsFixture, KeysTypingAndChoicesReachTheModelOnce) {
  TDialogForm* f = Make();
  f->Show();
  auto* edit = WidgetOf<QLineEdit>(f->edName);
  ASSERT_NE(edit, nullptr);
  for (QChar c : QStringLiteral("Abc")) {
    QKeyEvent k(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(edit, &k);
  }
  EXPECT_EQ(f->edName->Text(), "Abc");
  EXPECT_EQ(f->log, "change edName;change edName;change edName;");
  f->log.clear();
  // Text from code shows without being reported back.
  f->edName->SetText("Xy");
  EXPECT_EQ(edit->text(), QStringLiteral("Xy"));
  f->log.clear();
  // Return in the field presses the default button, once.
  Key(edit, Qt::Key_Return);
  EXPECT_EQ(f->log, "click btnOk;");

  f->log.clear();
  auto* combo = WidgetOf<QComboBox>(f->boxRate);
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 2);
  combo->setCurrentIndex(1);
  emit combo->activated(1);  // what choosing from the list does
  EXPECT_EQ(f->boxRate->ItemIndex(), 1);
  EXPECT_EQ(f->log, "change boxRate;");

  f->log.clear();
  auto* bar = WidgetOf<QSlider>(f->barLatency);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->value(), 10);
  bar->setValue(42);  // the user moved the knob
  EXPECT_EQ(f->barLatency->Position(), 42);
  EXPECT_EQ(f->log, "change barLatency;");
  f->log.clear();
  f->barLatency->SetPosition(7);
  EXPECT_EQ(bar->value(), 7);
  EXPECT_EQ(f->log, "change barLatency;");  // the model's own change event only
}

TEST_F(FormsFixture, ASpeedButtonClicksOnceWhenReleasedOverItByMouseOrSpace) {
  TDialogForm* f = Make();
  f->Show();
  QWidget* w = ControlPeer::WidgetOf(*f->btnRoute);
  ASSERT_NE(w, nullptr);
  Click(w, QPoint(5, 5));
  EXPECT_TRUE(f->btnRoute->Down());
  EXPECT_EQ(f->log, "click btnRoute;");
  // Pressed over it, released outside: no click, state kept.
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(w->mapToGlobal(QPoint(5, 5))),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(80, 80),
                      QPointF(w->mapToGlobal(QPoint(80, 80))), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
  EXPECT_TRUE(f->btnRoute->Down());
  EXPECT_EQ(f->log, "click btnRoute;");
  // The row just below the button is outside it too.
  QCoreApplication::sendEvent(w, &press);
  QMouseEvent on_edge(QEvent::MouseButtonRelease, QPointF(5, 17),
                      QPointF(w->mapToGlobal(QPoint(5, 17))), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(w, &on_edge);
  EXPECT_EQ(f->log, "click btnRoute;");
  // Space goes down and comes up as the mouse button does; its repeats
  // while held change nothing.
  EXPECT_EQ(w->focusPolicy(), Qt::StrongFocus);
  for (auto [type, repeat] : {std::pair{QEvent::KeyPress, false},
                              {QEvent::KeyPress, true},
                              {QEvent::KeyRelease, true},
                              {QEvent::KeyPress, true}}) {
    QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QString(), repeat);
    QCoreApplication::sendEvent(w, &key);
  }
  EXPECT_EQ(f->log, "click btnRoute;");
  QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &up);
  EXPECT_FALSE(f->btnRoute->Down());
  EXPECT_EQ(f->log, "click btnRoute;click btnRoute;");
}

TEST_F(FormsFixture, AWindowsPictureHasTheFormsOuterSizeWithItsClientInside) {
  TDialogForm* f = Make();
  f->SetColor(0x00FF00);
  f->Show();
  QImage img = RenderWindow(*f);
  ASSERT_EQ(img.size(), QSize(f->Width(), f->Height()));
  const int border = (f->Width() - f->ClientWidth()) / 2;
  const int top = f->Height() - f->ClientHeight() - border;
  // The client's top-left pixel is the form's colour; the caption is navy.
  EXPECT_EQ(QColor(img.pixel(border + 1, top + 1)), QColor(0, 255, 0));
  EXPECT_EQ(QColor(img.pixel(f->Width() / 2, border + 2)), QColor(0, 0, 128));
  ui::TForm* hidden = Make();
  EXPECT_TRUE(RenderWindow(*hidden).isNull());  // never shown: no window to draw
}

TEST(Tray, TheStandInTakesTheDoubleClickAndFollowsShowAndHide) {
  int double_clicks = 0;
  TrayIcon::Actions actions;
  actions.double_click = [&double_clicks] { ++double_clicks; };
  actions.open_text = "Öffnen";
  actions.exit_text = "Beenden";
  TrayIcon tray(QPixmap(16, 16), std::move(actions), false);
  QWidget* stand_in = tray.StandIn();
  ASSERT_NE(stand_in, nullptr);
  EXPECT_FALSE(stand_in->isVisible());
  tray.Show("Einstellungen für Morva");
  EXPECT_TRUE(stand_in->isVisible());
  EXPECT_TRUE(stand_in->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(stand_in->toolTip(), QStringLiteral("Einstellungen für Morva"));
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5),
                  QPointF(stand_in->mapToGlobal(QPoint(5, 5))), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(stand_in, &dbl);
  EXPECT_EQ(double_clicks, 1);
  tray.Hide();
  EXPECT_FALSE(stand_in->isVisible());
  EXPECT_FALSE(tray.Shown());
}

}  // namespace qt
