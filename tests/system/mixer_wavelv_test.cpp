// The analog outputs window on the simulated card: the level scale, reading
// levels and mutes, cloning for a second card and the fixed-height layout.
// Faders, mutes, meters and presets are covered by the outputs_* scenarios.
#include "mixer/Wavelv.h"

#include <algorithm>

#include "controls/Class_b.h"
#include "mixer_fixture.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace mixer {
namespace {

using sim::PairField;

TEST(OutputLevelScale, FixedPointsAndTheWayBack) {
  EXPECT_NEAR(OutputLevelScale(), 24196.756, 0.001);
  EXPECT_EQ(OutputLevelOf(0), 0);
  EXPECT_EQ(OutputLevelOf(1), 7284);
  EXPECT_EQ(OutputLevelOf(100), 48498);
  EXPECT_EQ(OutputLevelOf(510), 65535);
  EXPECT_EQ(OutputLevelOf(511), 65535);  // above the top: kept at 65535
  EXPECT_EQ(OutputLevelOf(-3), 0);       // never a logarithm of nothing
  EXPECT_EQ(PositionOfOutputLevel(0), 0);
  EXPECT_EQ(PositionOfOutputLevel(65535), 510);
  EXPECT_EQ(PositionOfOutputLevel(0xC000), 106);
  // Every position below the top comes back as itself.
  for (int p = 0; p <= 510; ++p) ASSERT_EQ(PositionOfOutputLevel(OutputLevelOf(p)), p) << p;
}

struct WavelvTest : testing_support::MixerWindowTest {
  TfrmWaveLevel* w = nullptr;
  void Make(int cards = 1) { w = Open<TfrmWaveLevel>(cards); }
  controls::TSlider* Fader(const std::string& name) {
    return dynamic_cast<controls::TSlider*>(w->FindComponent(name));
  }
  ui::TSpeedButton* Mute(const std::string& name) {
    return dynamic_cast<ui::TSpeedButton*>(w->FindComponent(name));
  }
  ui::TCheckBox* Box(const std::string& name) {
    return dynamic_cast<ui::TCheckBox*>(w->FindComponent(name));
  }
};

TEST_F(WavelvTest, ShowReadsLevelsAndMutesOfEveryChannel) {
  Discover(1);
  system.SetPairField(0, 1, PairField::Volume, 0xFFFF0000);  // pair 3/4: left 0, right top
  system.SetPairField(0, 2, PairField::Mute, 0x00010000);    // any nonzero word is muted
  Make();
  EXPECT_EQ(w->CreatedIndicator(), -1);
  EXPECT_EQ(w->Height(), 470);
  EXPECT_EQ(Fader("scrOut2")->Position(), 106);  // the card's default 0xC000
  EXPECT_EQ(Fader("Slider1")->Position(), 0);
  EXPECT_EQ(Fader("Slider2")->Position(), 510);
  EXPECT_TRUE(w->ChangeGuardOpen());
  EXPECT_FALSE(Mute("SpeedButton3")->Down());
  EXPECT_TRUE(Mute("SpeedButton4")->Down());
  // Reading sends nothing back to the driver.
  EXPECT_EQ(system.GetPairField(0, 1, PairField::Volume), 0xFFFF0000u);
}

TEST_F(WavelvTest, SecondCardStripHasItsOwnNamesHandlesAndWidth) {
  Make(2);
  for (int ch = 8; ch < 16; ++ch) EXPECT_NE(w->HandleOf(ch), 0u) << ch;
  for (int n = 9; n <= 16; ++n) {
    controls::TSlider* s = Fader("Slider" + std::to_string(n));
    ASSERT_NE(s, nullptr) << n;
    EXPECT_EQ(s->Number(), n);
    ASSERT_NE(s->LinkCheck(), nullptr);
    EXPECT_EQ(s->LinkCheck()->Parent(), s->Parent());
    char name[16];
    std::snprintf(name, sizeof name, "Mute%08X", n - 1);
    ASSERT_NE(Mute(name), nullptr) << name;
    EXPECT_EQ(Mute(name)->Tag(), n - 1);
  }
  EXPECT_EQ(Fader("Slider9")->LinkCheck()->Name(), "chkLink910");
  EXPECT_EQ(Fader("Slider16")->LinkCheck()->Name(), "chkLink1516");
  EXPECT_EQ(w->Meters().Meters().size(), 16u);
  EXPECT_EQ(w->Meters().Meters()[9]->Tag(), 9);
  std::vector<std::string> labels;
  for (ui::TControl* c : w->pnNumbers->ControlList()) labels.push_back(c->Caption());
  ASSERT_EQ(labels.size(), 16u);
  EXPECT_EQ(labels[8], "9");
  EXPECT_EQ(labels[15], "16");

  // The second card's controls reach the second card's devices.
  Fader("Slider11")->SetPosition(1);
  EXPECT_EQ(Pair(1, 1, PairField::Volume), 0x1C741C74u);
  ui::user::Click(Mute("Mute0000000F"));
  EXPECT_EQ(Pair(1, 3, PairField::Mute), 0xFFFF0000u);

  w->SetBounds(w->Left(), w->Top(), 2000, 10);
  EXPECT_EQ(w->Width(), 646);
  EXPECT_EQ(w->Height(), 470);

  // The own section keeps the cloned link boxes.
  Box("chkLink1314")->SetChecked(false);
  w->Close();
  w->Free();
  EXPECT_EQ(observer.With("close out").size(), 16u);
  std::ifstream ini(config_dir / "Vozururo.ini");
  std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("chkLink1314=0"), std::string::npos) << text;
  EXPECT_EQ(text.find("Slider9"), std::string::npos);
}

TEST_F(WavelvTest, HidingBothSectionsLeavesTheOptionRowAlone) {
  Make();
  ui::user::Click(w->chkPeakMeter);
  EXPECT_EQ(w->Height(), 470 - 176);
  EXPECT_EQ(w->pnSliders->Top(), 182 - 176);
  EXPECT_EQ(w->pnNumbers->Top(), 360 - 176);
  ui::user::Click(w->chkFader);
  EXPECT_FALSE(w->grpGround->Visible());
  EXPECT_EQ(w->FixedHeight(), 470 - 396);
  EXPECT_EQ(w->Height(), w->FixedHeight());
  w->SetBounds(w->Left(), w->Top(), w->Width(), 300);  // the height cannot be dragged
  EXPECT_EQ(w->Height(), 470 - 396);
  ui::user::Click(w->chkFader);
  EXPECT_TRUE(w->grpGround->Visible());
  EXPECT_EQ(w->Height(), 470 - 176);
  ui::user::Click(w->chkPeakMeter);
  EXPECT_EQ(w->Height(), 470);
  EXPECT_EQ(w->pnNumbers->Top(), 360);

  w->SetWidth(1000);
  EXPECT_EQ(w->Width(), 331);
  w->SetWidth(10);
  EXPECT_EQ(w->Width(), 174);
  w->ToggleChecksPanel();
  EXPECT_EQ(w->Height(), 470 - 47);
  w->ToggleChecksPanel();
  EXPECT_EQ(w->Height(), 470);
}

// A desktop's keys move a fader as drags do, each sending the volume, and
// its value reads as the scale beside it: "0" at the top, "∞" at the
// bottom, in between interpolated between the two nearest labels.
TEST_F(WavelvTest, KeysMoveAFaderAndItsValueReadsAsTheScale) {
  Make();
  controls::TSlider* s = Fader("Slider1");
  ui::TPanel* thumb = s->Thumb();
  auto volumes = [&] {
    return std::count_if(observer.lines.begin(), observer.lines.end(), [](const std::string& l) {
      return l.find(" 0x0011 ") != std::string::npos;
    });
  };
  const auto sent = volumes();
  EXPECT_TRUE(thumb->NavigationKey(ui::VK_HOME, 0));
  EXPECT_EQ(s->Position(), s->Max());
  EXPECT_EQ(thumb->OnValueText(), "0.0 dB");
  thumb->NavigationKey(ui::VK_END, 0);
  EXPECT_EQ(s->Position(), 0);
  EXPECT_EQ(thumb->OnValueText(), "-\xE2\x88\x9E dB");
  thumb->NavigationKey(ui::VK_PRIOR, 0);  // a quarter of the travel
  EXPECT_EQ(s->Offset(), 25);
  EXPECT_EQ(thumb->OnValueText(), "-27.8 dB");     // centre 89: "-20" at 73.5, "-30" at 93.5
  thumb->NavigationKey(ui::VK_DOWN, ui::ssShift);  // one pixel
  EXPECT_EQ(s->Offset(), 24);
  EXPECT_FALSE(thumb->NavigationKey(ui::VK_RETURN, 0));
  EXPECT_EQ(volumes(), sent + 4);
}

}  // namespace
}  // namespace mixer
