// The bilingual controls: which caption is shown, and when handlers run.
#include <string>

#include "controls_fixture.h"
#include "ui/useractions.h"

namespace {

using controls::TExtCheckBox;
using controls::TExtSpeedButton;
using controls_test::ControlsTest;
using controls_test::TTestForm;

constexpr const char* kLayout = R"(object TestForm: TTestForm
  object chkSettings: TExtCheckBox
    Caption = 'Layout'
    CaptionEnglish = ' &Settings'
    CaptionGerman = ' &Einstellungen'
    Checked = True
    OnClick = BoxClick
  end
  object lbPlain: TExtLabel
    Caption = 'Nur Caption'
    CaptionEnglish = 'Caption only'
  end
  object btnOk: TExtButton
    CaptionGerman = 'Übernehmen'
  end
  object grpSource: TExtGroupBox
    CaptionGerman = 'Quelle'
    object rbAnalog: TExtRadioButton
      CaptionGerman = 'Analog'
      Checked = True
      OnClick = BoxClick
    end
    object rbDigital: TExtRadioButton
      CaptionGerman = 'Digital'
      OnClick = BoxClick
    end
  end
  object sbSolo: TExtSpeedButton
    GroupIndex = 1
    AllowAllUp = True
    HintEnglish = 'Solo'
    HintGerman = 'Alleine'
    CaptionGerman = 'S'
    OnDown = ButtonDown
  end
end
)";

class Bilingual : public ControlsTest {
 protected:
  Bilingual() : f(Load(kLayout)) {}
  TTestForm* f;
};

TEST_F(Bilingual, TheGermanCaptionIsShownAndTheEnglishOneOnlyStored) {
  auto* chk = Find<TExtCheckBox>(f, "chkSettings");
  EXPECT_EQ(chk->Caption(), " &Einstellungen");
  EXPECT_EQ(chk->CaptionEnglish(), " &Settings");
  chk->SetCaptionEnglish(" &Options");
  EXPECT_EQ(chk->Caption(), " &Einstellungen");
  EXPECT_EQ(chk->CaptionEnglish(), " &Options");
  chk->SetCaptionGerman(" &Optionen");
  EXPECT_EQ(chk->Caption(), " &Optionen");
  chk->SetCaptionGerman("");
  EXPECT_EQ(chk->Caption(), "");
  EXPECT_EQ(f->log, "");  // captions run no handler

  EXPECT_EQ(Find<controls::TExtLabel>(f, "lbPlain")->Caption(), "Nur Caption");
  EXPECT_EQ(Find<controls::TExtButton>(f, "btnOk")->Caption(), "Übernehmen");
  EXPECT_EQ(Find<controls::TExtGroupBox>(f, "grpSource")->Caption(), "Quelle");
}

TEST_F(Bilingual, SpeedButtonTellsOnceWhenItBecomesDown) {
  auto* sb = Find<TExtSpeedButton>(f, "sbSolo");
  EXPECT_EQ(sb->Hint(), "Alleine");
  EXPECT_EQ(sb->HintEnglish(), "Solo");
  sb->SetHintEnglish("Alone");
  EXPECT_EQ(sb->Hint(), "Alleine");
  EXPECT_EQ(sb->Caption(), "S");

  sb->SetDown(true);
  EXPECT_TRUE(sb->GetDown());
  sb->SetDown(true);
  EXPECT_EQ(f->log, "down sbSolo;");
  // A click on the pressed button releases it (AllowAllUp): no OnDown.
  ui::user::Click(sb);
  EXPECT_FALSE(sb->GetDown());
  EXPECT_EQ(f->log, "down sbSolo;");
  // A click that presses it tells once, after the click itself.
  std::string order;
  sb->OnClick = [&](ui::TComponent*) { order += "click;"; };
  sb->OnDown = [&](ui::TComponent*) { order += "down;"; };
  ui::user::Click(sb);
  EXPECT_TRUE(sb->GetDown());
  EXPECT_EQ(order, "click;down;");
}

TEST_F(Bilingual, APressedButtonThatMustStayDownTellsNothing) {
  auto* sb = ui::Create<TExtSpeedButton>(form);
  sb->SetParent(form);
  int downs = 0;
  sb->OnDown = [&](ui::TComponent* s) {
    EXPECT_EQ(s, sb);
    ++downs;
  };
  sb->SetDown(true);  // GroupIndex 0: a speed button that never stays down
  EXPECT_EQ(downs, 0);
  sb->SetGroupIndex(2);
  ui::user::Click(sb);
  EXPECT_EQ(downs, 1);
  ui::user::Click(sb);  // already down, AllowAllUp off: stays down
  sb->SetDown(true);
  EXPECT_TRUE(sb->GetDown());
  EXPECT_EQ(downs, 1);
}

}  // namespace
