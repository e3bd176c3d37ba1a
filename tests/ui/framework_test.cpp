// The framework's behaviour the windows rely on, driven as a user would.
#include <gtest/gtest.h>

#include <memory>

#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/headless.h"
#include "ui/layout.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace ui {
namespace {

class TTestForm : public TForm {
 public:
  explicit TTestForm(TComponent* owner) : TForm(owner) {
    Handler("FormCreate", &TTestForm::FormCreate);
    Handler("FormClose", &TTestForm::FormClose);
    Handler("BoxClick", &TTestForm::BoxClick);
    Handler("Fail", &TTestForm::Fail);
    Member("chkOne", chkOne);
    Member("Panel1", Panel1);
  }
  const char* ClassName() const override { return "TTestForm"; }
  void FormCreate(TComponent*) { log += "create;"; }
  void FormClose(TComponent*, TCloseAction& a) {
    log += "close;";
    if (refuse_close) a = TCloseAction::caNone;
  }
  void BoxClick(TComponent* s) { log += "click " + s->Name() + ";"; }
  void Fail(TComponent*) { throw Exception("Es ging schief"); }

  TCheckBox* chkOne = nullptr;
  TPanel* Panel1 = nullptr;
  std::string log;
  bool refuse_close = false;
};

constexpr const char* kLayout = R"(object TestForm: TTestForm
  Caption = 'Test'
  Width = 200
  Height = 150
  OnCreate = FormCreate
  OnClose = FormClose
  object Panel1: TPanel
    Align = alTop
    Height = 40
    object chkOne: TCheckBox
      Left = 8
      Checked = True
      OnClick = BoxClick
    end
    object Label1: TLabel
      Caption = 'L'
    end
  end
  object btnBad: TButton
    OnClick = Fail
  end
end
)";

struct Fixture : ::testing::Test {
  HeadlessWidgetset ws;
  TApplication app{ws};
  TForm* main_form = Create<TForm>(&app);  // the first form is the main form
  TTestForm* Make(const char* text = kLayout) {
    auto* f = Create<TTestForm>(&app);
    f->InitializeFrom("test.form", text);
    return f;
  }
};

}  // namespace

TEST_F(Fixture, LayoutBindsMembersHandlersAndOrdersChildren) {
  TTestForm* f = Make();
  EXPECT_EQ(f->log, "create;");  // Checked before OnClick and while loading: no click
  ASSERT_NE(f->chkOne, nullptr);
  EXPECT_TRUE(f->chkOne->Checked());
  EXPECT_EQ(f->Name(), "TestForm");
  // Children without a window come first, then windowed ones.
  ASSERT_EQ(f->Panel1->ControlCount(), 2);
  EXPECT_EQ(f->Panel1->Controls(0)->Name(), "Label1");
  EXPECT_EQ(f->Panel1->Controls(1)->Name(), "chkOne");
  // Components in creation order.
  EXPECT_EQ(f->Components(0)->Name(), "Panel1");
  EXPECT_EQ(f->Components(1)->Name(), "chkOne");
  // The top-aligned panel spans the client width.
  EXPECT_EQ(f->Panel1->Width(), f->ClientWidth());
  EXPECT_EQ(f->Panel1->Top(), 0);
}

TEST_F(Fixture, LayoutErrorsNameFileAndLine) {
  auto fails = [&](const std::string& text, const std::string& what) {
    auto* f = Create<TTestForm>(&app);
    try {
      f->InitializeFrom("bad.form", text);
      ADD_FAILURE() << "no error for " << what;
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
    }
    f->Free();
  };
  std::string head =
      "object TestForm: TTestForm\n  object Panel1: TPanel\n  object chkOne: TCheckBox\n";
  fails(head + "  Bogus = 1\n  end\n  end\nend\n", "bad.form:4: TCheckBox has no property Bogus");
  fails(head + "  OnClick = Nowhere\n  end\n  end\nend\n", "bad.form:4: unknown handler Nowhere");
  fails(head + "  end\n  object X: TNoSuch\n  end\n  end\nend\n",
        "bad.form:5: unknown class TNoSuch");
  fails("object TestForm: TTestForm\n  object Panel1: TPanel\n  end\nend\n",
        "bad.form:1: the layout has no component chkOne");
  fails("object TestForm: TTestForm\n  object chkOne: TPanel\n  end\nend\n",
        "bad.form:2: member chkOne of TTestForm is not a TPanel");
}

TEST_F(Fixture, CheckBoxFromCodeClicksOnlyOnChange) {
  TTestForm* f = Make();
  f->chkOne->SetChecked(true);
  EXPECT_EQ(f->log, "create;");
  f->chkOne->SetChecked(false);
  user::Click(f->chkOne);
  EXPECT_EQ(f->log, "create;click chkOne;click chkOne;");
  EXPECT_TRUE(f->chkOne->Checked());
}

TEST_F(Fixture, RadioButtonsUncheckSiblingsSilently) {
  auto* f = Make();
  auto* a = Create<TRadioButton>(f);
  auto* b = Create<TRadioButton>(f);
  a->SetParent(f->Panel1);
  b->SetParent(f->Panel1);
  int clicks_a = 0, clicks_b = 0;
  a->OnClick = [&](TComponent*) { ++clicks_a; };
  b->OnClick = [&](TComponent*) { ++clicks_b; };
  a->SetChecked(true);
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(clicks_a, 1);
  EXPECT_EQ(clicks_b, 1);
}

TEST_F(Fixture, SpeedButtonGroupsAndMouseRules) {
  auto* f = Make();
  auto make = [&](int group) {
    auto* b = Create<TSpeedButton>(f);
    b->SetParent(f->Panel1);
    b->SetGroupIndex(group);
    b->SetAllowAllUp(true);
    return b;
  };
  TSpeedButton* line = make(1);
  TSpeedButton* mic = make(1);
  TSpeedButton* other = make(2);
  int clicks = 0;
  line->OnClick = [&](TComponent*) { ++clicks; };
  other->SetDown(true);
  line->SetDown(true);  // from code: no click
  EXPECT_EQ(clicks, 0);
  user::Click(mic);
  EXPECT_TRUE(mic->Down());
  EXPECT_FALSE(line->Down());
  EXPECT_TRUE(other->Down());  // another group is left alone
  user::Click(line);
  user::Click(line);  // all-up allowed: the second click releases it
  EXPECT_FALSE(line->Down());
  EXPECT_EQ(clicks, 2);
  line->SetAllowAllUp(false);
  user::Click(line);
  user::Click(line);  // must keep one pressed
  EXPECT_TRUE(line->Down());
}

// A release clicks only within the control's own pixels, whatever the
// class: a panel, a speed button, and a speed button through Space.
TEST_F(Fixture, ReleaseClicksWithinTheControlOnly) {
  auto* f = Make();
  auto* panel = Create<TPanel>(f);
  auto* button = Create<TSpeedButton>(f);
  for (TControl* c : {static_cast<TControl*>(panel), static_cast<TControl*>(button)}) {
    c->SetParent(f);
    c->SetBounds(0, 0, 20, 10);
  }
  button->SetGroupIndex(1);
  button->SetAllowAllUp(true);
  const struct {
    int x, y;
    bool clicks;
  } releases[] = {{10, 5, true},   {0, 0, true},   {19, 9, true},  {20, 5, false},
                  {10, 10, false}, {-1, 5, false}, {10, -1, false}};
  int clicks = 0;
  for (TControl* c : {static_cast<TControl*>(panel), static_cast<TControl*>(button)}) {
    c->OnClick = [&](TComponent*) { ++clicks; };
    for (const auto& r : releases) {
      clicks = 0;
      c->UserPress(TMouseButton::mbLeft, 0, 10, 5);
      c->MouseMove(0, r.x, r.y);
      c->UserRelease(TMouseButton::mbLeft, 0, r.x, r.y);
      EXPECT_EQ(clicks, r.clicks ? 1 : 0) << c->ClassName() << " at " << r.x << "," << r.y;
    }
    clicks = 0;
    c->UserPress(TMouseButton::mbRight, 0, 10, 5);
    c->UserRelease(TMouseButton::mbRight, 0, 10, 5);
    EXPECT_EQ(clicks, 0) << c->ClassName() << ": the right button clicks nothing";
  }
  // Only what its release clicked toggled the button: the three inside.
  EXPECT_TRUE(button->Down());
  EXPECT_FALSE(panel->UserSpace(true));
  EXPECT_FALSE(panel->TakesFocus());
  EXPECT_TRUE(button->TakesFocus());
  EXPECT_TRUE(button->UserSpace(true));
  EXPECT_TRUE(button->Down());  // pressed, not yet clicked
  EXPECT_TRUE(button->UserSpace(false));
  EXPECT_FALSE(button->Down());
}

TEST_F(Fixture, PostedMessagesReachLiveWindowsOnly) {
  auto* f = Make();
  int got = 0;
  f->SetMessageHandler(WM_USER + 100, [&](TMessage& m) {
    got = static_cast<int>(m.LParam);
    m.Result = 1;
  });
  HWND h = f->Handle();
  app.PostMessage(h, WM_USER + 100, 0, 42);
  app.ProcessMessages();
  EXPECT_EQ(got, 42);
  f->Free();
  app.PostMessage(h, WM_USER + 100, 0, 7);
  app.ProcessMessages();  // dropped: the window is gone
  EXPECT_EQ(got, 42);
}

TEST_F(Fixture, HandlerErrorsBecomeTheStandardReport) {
  app.SetTitle("MORVA Manager");
  auto* f = Make();
  user::Click(f->FindComponent("btnBad") ? static_cast<TControl*>(f->FindComponent("btnBad"))
                                         : nullptr);
  ASSERT_EQ(ws.boxes().size(), 1u);
  EXPECT_EQ(ws.boxes()[0].caption, "MORVA Manager");
  EXPECT_EQ(ws.boxes()[0].text, "Es ging schief.");
  EXPECT_EQ(ws.boxes()[0].flags, 0x10u);
  app.Guard([] { Abort(); });  // the silent abort shows nothing
  EXPECT_EQ(ws.boxes().size(), 1u);
}

TEST_F(Fixture, ModalLoopRunsScriptedInputAndHonoursRefusedClose) {
  auto* f = Make();
  f->refuse_close = true;
  ws.Script([&] { f->SetModalResult(mrOk); });  // refused by FormClose
  ws.Script([&] {
    f->refuse_close = false;
    f->Close();
  });
  EXPECT_EQ(f->ShowModal(), mrCancel);
  EXPECT_FALSE(f->Visible());
  EXPECT_EQ(f->log, "create;close;close;");
}

// A window freed while a modal loop runs inside it (its owner going away)
// stays intact until the loops return; the loops end with cancel and
// nothing is freed twice.
TEST_F(Fixture, FreeingTheOwnerOfARunningModalLoopEndsItAndFreesOnce) {
  auto* owner = Make();
  auto* dialog = Create<TTestForm>(owner);
  dialog->InitializeFrom("dialog.form", kLayout);
  auto* inner = Make();  // a box owned elsewhere, opened from the dialog
  int inner_result = mrNone;
  ws.Script([&] {
    ws.Script([&] { owner->Free(); });
    inner_result = inner->ShowModal();
    EXPECT_EQ(dialog->log, "create;");  // still intact, its close handler not asked
  });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_EQ(inner_result, mrCancel);
  EXPECT_FALSE(dialog->Visible());
  const auto forms = app.Forms().size();
  Create<TTestForm>(nullptr)->Free();  // an unrelated free at rest is immediate
  EXPECT_EQ(app.Forms().size(), forms);
  ws.Script([] {});
  app.HandleMessage();  // the main loop's step frees what was put off
  EXPECT_EQ(app.Forms().size(), forms - 2);
}

TEST_F(Fixture, CloseHidesAndRunsTheCloseHandlerEvenWhenHidden) {
  auto* f = Make();
  f->Close();
  f->Show();
  EXPECT_TRUE(f->Visible());
  f->Close();
  EXPECT_FALSE(f->Visible());
  EXPECT_EQ(f->log, "create;close;close;");
}

TEST_F(Fixture, MinMaxInfoPinsTheSize) {
  auto* f = Make();
  f->SetMessageHandler(WM_GETMINMAXINFO, [](TMessage& m) {
    auto* mmi = reinterpret_cast<MINMAXINFO*>(m.LParam);
    mmi->ptMinTrackSize = {174, 300};
    mmi->ptMaxTrackSize = {330, 300};
  });
  f->SetBounds(0, 0, 1000, 100);
  EXPECT_EQ(f->Width(), 330);
  EXPECT_EQ(f->Height(), 300);
}

TEST_F(Fixture, WaitingWithNothingScriptedFailsInsteadOfHanging) {
  EXPECT_THROW(app.HandleMessage(), NoInputError);
}

}  // namespace ui
