// Copying a card strip, the view-option menu and the small window routines.
#include "settings/winutils.h"

#include "controls/Class_b.h"
#include "settings/formstate.h"
#include "settings_fixture.h"
#include "ui/buttons.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace settings::testing {
namespace {

constexpr const char* kStripLayout = R"(object Strip: TTestWindow
  Caption = 'Analog Outputs'
  Width = 700
  Height = 300
  OnClose = FormClose
  object pnStrip: TPanel
    Left = 0
    Top = 0
    Width = 312
    Height = 250
    object chkLink12: TExtCheckBox
      Left = 10
      Top = 200
      Checked = True
      CaptionEnglish = 'Link'
      CaptionGerman = 'Verbinden'
      OnClick = Note
    end
    object Slider1: TSlider
      Left = 20
      Top = 10
      Height = 112
      Max = 32767
      Position = 100
      Number = 1
      LinkCheck = chkLink12
      OnChange = Note
    end
    object pnSub: TPanel
      Left = 100
      Top = 20
      Width = 80
      Height = 60
      object Label1: TLabel
        Left = 5
        Top = 6
        Caption = '1'
      end
    end
    object Bevel1: TBevel
      Left = 200
      Top = 5
      Width = 50
      Height = 2
    end
  end
end
)";

class CloneTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    w = MakeWindow(kStripLayout);
    strip = dynamic_cast<ui::TPanel*>(w->FindComponent("pnStrip"));
    sub = dynamic_cast<ui::TPanel*>(w->FindComponent("pnSub"));
    // Unnamed children, as earlier copies are: never copied.
    auto* loose = ui::Create<ui::TLabel>(w);
    loose->SetParent(strip);
    ui::Create<ui::TLabel>(w)->SetParent(sub);
  }
  // Names each copy after its source and card, the way the windows do.
  TAdjustAction NameFor(int card) {
    return [this, card](ui::TForm& form, ui::TControl*& c) {
      EXPECT_EQ(&form, w);
      c->SetName("copy" + std::to_string(card) + "_" + std::to_string(++named));
    };
  }
  int NamedChildren(ui::TWinControl* p) {
    int n = 0;
    for (ui::TControl* c : p->ControlList()) n += !c->Name().empty();
    return n;
  }
  TTestWindow* w = nullptr;
  ui::TPanel* strip = nullptr;
  ui::TPanel* sub = nullptr;
  int named = 0;
};

TEST_F(CloneTest, CloningIntoItselfForCardsTwoAndThreeCopiesOnlyTheDesignedStrip) {
  const int designed = NamedChildren(strip);
  const int components_before = w->ComponentCount();
  CloneComponents(strip, strip, 312);
  // Unnamed copies are not copied again by the next pass.
  CloneComponents(strip, strip, 624);
  EXPECT_EQ(NamedChildren(strip), designed);
  // Two copies each of the check box, the slider, the sub-panel, its label
  // and the bevel, all owned by the form.
  EXPECT_EQ(w->ComponentCount(), components_before + 2 * 5);

  int third_strip = 0;
  for (ui::TControl* c : strip->ControlList())
    if (c->Left() >= 624 && c->Owner() == w) ++third_strip;  // not a fader's thumb
  EXPECT_EQ(third_strip, 4);  // check box, slider, sub-panel, bevel; not copies of copies
}

TEST_F(CloneTest, CopiesArePlainShiftedAtTheTopLevelOnlyAndKeepStateAndHandlers) {
  // Graphic children come first: the bevel, then the check box, the slider,
  // the sub-panel and its label.
  CloneComponents(strip, strip, 312, NameFor(1), nullptr, 7);

  auto* chk = dynamic_cast<ui::TCheckBox*>(w->FindComponent("copy1_2"));
  ASSERT_NE(chk, nullptr);
  EXPECT_EQ(dynamic_cast<controls::TExtCheckBox*>(chk), nullptr);  // a plain check box
  EXPECT_EQ(chk->Caption(), "Verbinden");
  EXPECT_TRUE(chk->Checked());
  EXPECT_EQ(chk->Left(), 322);
  EXPECT_EQ(chk->Top(), 207);
  EXPECT_EQ(chk->Owner(), w);
  EXPECT_EQ(chk->Parent(), strip);
  EXPECT_EQ(w->log.find("copy1_2"), std::string::npos);  // copying the state ran no click
  w->log.clear();
  ui::user::Click(chk);
  EXPECT_EQ(w->log, "copy1_2;");

  auto* slider = dynamic_cast<controls::TSlider*>(w->FindComponent("copy1_3"));
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->Max(), 32767);
  EXPECT_EQ(slider->Position(), 100);
  EXPECT_EQ(slider->Number(), 1);
  EXPECT_EQ(slider->LinkCheck(), nullptr);  // the window assigns it afterwards
  EXPECT_TRUE(static_cast<bool>(slider->OnChange));

  auto* sub_copy = dynamic_cast<ui::TPanel*>(w->FindComponent("copy1_4"));
  ASSERT_NE(sub_copy, nullptr);
  EXPECT_EQ(sub_copy->Left(), 412);
  ASSERT_EQ(sub_copy->ControlCount(), 1);  // the unnamed label stayed behind
  ui::TControl* label = sub_copy->Controls(0);
  EXPECT_EQ(label->Name(), "copy1_5");
  EXPECT_EQ(label->Left(), 5);  // children are placed relative to the new panel
  EXPECT_EQ(label->Top(), 6);
  EXPECT_EQ(label->Caption(), "1");
}

TEST_F(CloneTest, DroppedCopiesAreNeitherInsertedNorKept) {
  const int before = w->ComponentCount();
  const int children = strip->ControlCount();
  CloneComponents(strip, strip, 312, [](ui::TForm&, ui::TControl*& c) {
    if (dynamic_cast<controls::TSlider*>(c)) c = nullptr;
  });
  EXPECT_EQ(strip->ControlCount(), children + 3);  // check box, sub-panel, bevel
  EXPECT_EQ(w->ComponentCount(), before + 4);      // and the sub-panel's label
}

TEST_F(CloneTest, SpeedButtonCopiesKeepTheirDownStateWithoutRaisingOnDown) {
  auto* sb = ui::Create<controls::TExtSpeedButton>(w);
  sb->SetName("btnMute1");
  sb->SetGroupIndex(3);
  sb->SetAllowAllUp(true);
  sb->SetParent(sub);
  sb->SetDown(true);
  int downs = 0;
  sb->OnDown = [&](ui::TComponent*) { ++downs; };
  CloneComponents(sub, sub, 0, NameFor(1));
  auto* copy = dynamic_cast<controls::TExtSpeedButton*>(w->FindComponent("copy1_2"));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->Down());
  EXPECT_EQ(copy->GroupIndex(), 3);
  EXPECT_EQ(downs, 0);
  EXPECT_TRUE(static_cast<bool>(copy->OnDown));
}

TEST_F(CloneTest, UnknownKindRaisesTheComponentErrorAndInsertsNothing) {
  auto* edit = ui::Create<ui::TEdit>(w);
  edit->SetName("edGain");
  edit->SetParent(strip);
  const int children = strip->ControlCount();
  try {
    CloneComponents(strip, strip, 312);
    FAIL() << "no error raised";
  } catch (const ui::EComponentError& e) {
    EXPECT_STREQ(e.what(), "CloneComponents: Komponentenklasse von edGain nicht implementiert.");
  }
  EXPECT_EQ(strip->ControlCount(), children);
}

// A panel subclass that was never registered is what its nearest registered
// base is: copied (as a plain panel, with its children) and stored as a panel.
class TFramedPanel : public ui::TPanel {
 public:
  using ui::TPanel::TPanel;
};

TEST_F(CloneTest, UnregisteredPanelSubclassIsClonedAndStoredAsAPanel) {
  auto* framed = ui::Create<TFramedPanel>(w);
  framed->SetName("pnFramed");
  framed->SetParent(strip);
  auto* label = ui::Create<ui::TLabel>(w);
  label->SetName("lbFramed");
  label->SetParent(framed);
  framed->SetLeft(7);
  CloneComponents(strip, strip, 312);
  ui::TControl* copy = nullptr;
  for (ui::TControl* c : strip->ControlList())
    if (c != framed && c->Left() == 7 + 312 && dynamic_cast<ui::TPanel*>(c)) copy = c;
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy->ClassName(), "TPanel");
  EXPECT_EQ(dynamic_cast<ui::TPanel*>(copy)->ControlCount(), 1);
  framed->SetVisible(false);
  SaveWindowState(*w, kSettingsFileName, "", kAllControls, false);
  EXPECT_NE(Content().find("pnFramed=0"), std::string::npos);
}

constexpr const char* kOptionsLayout = R"(object Options: TTestWindow
  Caption = 'Analog Outputs'
  Width = 400
  Height = 300
  OnClose = FormClose
  object pnChecks: TPanel
    Left = 0
    Top = 0
    Width = 400
    Height = 60
    object chkFader: TExtCheckBox
      Left = 8
      Top = 30
      CaptionGerman = ' Regler'
    end
    object chkLink12: TExtCheckBox
      Left = 120
      Top = 5
      CaptionGerman = ' Verbinden'
    end
    object chkPeakMeter: TExtCheckBox
      Left = 8
      Top = 5
      Checked = True
      CaptionGerman = ' Pegelanzeige'
    end
  end
end
)";

TEST_F(SettingsTest, OptionMenuListsBoxesColumnByColumnAndFollowsTheirState) {
  TTestWindow* w = MakeWindow(kOptionsLayout);
  auto* panel = dynamic_cast<ui::TPanel*>(w->FindComponent("pnChecks"));
  auto* peak = dynamic_cast<ui::TCheckBox*>(w->FindComponent("chkPeakMeter"));
  auto* fader = dynamic_cast<ui::TCheckBox*>(w->FindComponent("chkFader"));
  const std::size_t own_items = w->SystemMenu().size();
  ASSERT_NE(BuildOptionMenu(panel, nullptr), nullptr);

  const auto& menu = w->SystemMenu();
  ASSERT_EQ(menu.size(), own_items + 8);
  std::vector<std::string> captions;
  for (std::size_t i = own_items; i < menu.size(); ++i)
    captions.push_back(menu[i].separator ? "-" : menu[i].caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"-", " Pegelanzeige", " Regler", " Verbinden", "-",
                                                " Fenstersteuerung anzeigen", "-", " Info..."}));
  EXPECT_TRUE(menu[own_items + 1].checked);
  EXPECT_FALSE(menu[own_items + 2].checked);
  EXPECT_TRUE(menu[own_items + 5].checked);

  for (std::size_t i = own_items; i < menu.size(); ++i) {
    if (menu[i].separator) continue;
    EXPECT_NE(menu[i].id, 1u);
    EXPECT_NE(menu[i].id, 2u);
    EXPECT_LT(menu[i].id, 0xF000u);
  }
  EXPECT_EQ(ControlOfCommand(*w, menu[own_items + 2].id), fader);
  EXPECT_EQ(ControlOfCommand(*w, menu[own_items + 5].id), panel);
  EXPECT_EQ(ControlOfCommand(*w, kAboutCommand), nullptr);

  fader->SetChecked(true);
  UpdateMenuCheck(fader);
  EXPECT_TRUE(menu[own_items + 2].checked);
  EXPECT_EQ(menu[own_items + 2].caption, " Regler");
  panel->Hide();
  UpdateMenuCheck(panel);
  EXPECT_FALSE(menu[own_items + 5].checked);
  EXPECT_EQ(menu[own_items + 5].caption, " Fenstersteuerung anzeigen");

  // " Info..." names no control: choosing it changes nothing.
  const auto before = menu;
  w->Perform(WM_SYSCOMMAND, kAboutCommand, 0);
  EXPECT_TRUE(peak->Checked());
  EXPECT_FALSE(panel->Visible());
  EXPECT_EQ(w->SystemMenu().size(), before.size());
  EXPECT_EQ(w->log, "");
}

TEST_F(SettingsTest, TopmostCloseAndForgetAndPages) {
  TTestWindow* w = MakeWindow(kOptionsLayout);
  w->SetBounds(10, 20, 300, 200);
  SetTopmost(w, true);
  EXPECT_TRUE(w->Topmost());
  SetTopmost(w, false);
  EXPECT_FALSE(w->Topmost());
  EXPECT_EQ(w->Left(), 10);
  EXPECT_EQ(w->Width(), 300);

  std::string log;
  TTestWindow* slot = w;
  w->OnClose = [&](ui::TComponent*, ui::TCloseAction&) {
    log += slot == w ? "closed in slot;" : "closed outside slot;";
  };
  CloseAndForget(slot);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(log, "closed in slot;");
  for (ui::TForm* f : app.Forms()) EXPECT_NE(f, w);
  CloseAndForget(slot);  // an empty slot: nothing happens

  auto* pages = ui::Create<ui::TPageControl>(main_form);
  pages->SetParent(main_form);
  auto* p0 = ui::Create<ui::TTabSheet>(main_form);
  p0->SetParent(pages);
  auto* p1 = ui::Create<ui::TTabSheet>(main_form);
  p1->SetParent(pages);
  auto* stranger = ui::Create<ui::TTabSheet>(main_form);
  EXPECT_EQ(PageOfIndex(*pages, 1), p1);
  EXPECT_EQ(PageOfIndex(*pages, 2), nullptr);
  EXPECT_EQ(PageOfIndex(*pages, -1), nullptr);
  EXPECT_EQ(IndexOfPage(*pages, p1), 1);
  EXPECT_THROW(IndexOfPage(*pages, stranger), ui::EAbort);
  EXPECT_THROW(IndexOfPage(*pages, nullptr), ui::EAbort);
}

}  // namespace
}  // namespace settings::testing
