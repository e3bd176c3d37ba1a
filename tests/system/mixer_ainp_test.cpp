// The analog inputs window on the simulated card: creation and cloning,
// faders, sources, meters and the fixed-height layout.
#include "mixer/Ainp.h"

#include "controls/Class_b.h"
#include "mixer_fixture.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace mixer {
namespace {

using sim::PairField;

struct AinpTest : testing_support::MixerWindowTest {
  TfrmAnalogInp* w = nullptr;
  void Make(int cards = 1) { w = Open<TfrmAnalogInp>(cards); }
  controls::TSlider* Fader(const std::string& name) {
    return dynamic_cast<controls::TSlider*>(w->FindComponent(name));
  }
  ui::TSpeedButton* Button(const std::string& name) {
    return dynamic_cast<ui::TSpeedButton*>(w->FindComponent(name));
  }
  std::string Downs(int first_ch, int last_ch) {
    std::string s;
    for (int ch = first_ch; ch <= last_ch; ++ch)
      for (int kind = 0; kind < 3; ++kind)
        if (ui::TSpeedButton* b = w->Route(ch, kind)) s += b->Down() ? '1' : '0';
    return s;
  }
};

TEST_F(AinpTest, SecondCardStripIsClonedWithItsOwnNamesAndHandles) {
  Make(2);
  EXPECT_EQ(w->CreatedIndicator(), -1);
  // Card 1's handles: slots 5, 5, 6, 6, 7, 7, 8, 8 are devices 6..9.
  for (int ch = 8; ch < 16; ++ch) EXPECT_NE(w->HandleOf(ch), 0u) << ch;
  for (int n = 9; n <= 16; ++n) {
    controls::TSlider* s = Fader("Slider" + std::to_string(n));
    ASSERT_NE(s, nullptr) << n;
    EXPECT_EQ(s->Number(), n);
    ASSERT_NE(s->LinkCheck(), nullptr);
    EXPECT_EQ(s->LinkCheck()->Parent(), s->Parent());  // the cloned box, not the designed one
  }
  EXPECT_EQ(Fader("Slider9")->LinkCheck()->Name(), "chkLink910");
  EXPECT_EQ(Fader("Slider16")->LinkCheck()->Name(), "chkLink1516");
  EXPECT_NE(Button("Route00000008"), nullptr);
  EXPECT_NE(Button("Route0000000F"), nullptr);
  EXPECT_EQ(Button("Route0001000A")->Caption(), "Mic");
  EXPECT_EQ(Button("Route0002000A")->Caption(), "CD");
  EXPECT_EQ(w->Route(10, 2), Button("Route0002000A"));
  EXPECT_EQ(w->Route(11, 2), Button("Route0002000A"));
  EXPECT_EQ(w->Route(9, 2), nullptr);
  std::vector<std::string> labels;
  for (ui::TControl* c : w->pnNumbers->ControlList()) labels.push_back(c->Caption());
  EXPECT_EQ(labels.back(), "16");
  EXPECT_EQ(labels.size(), 16u);
  EXPECT_EQ(w->Meters().Meters().size(), 16u);
  EXPECT_EQ(w->Meters().Meters()[8]->Tag(), 8);
  w->Free();
  EXPECT_EQ(observer.With("close in").size(), 16u);
}

TEST_F(AinpTest, LinkedAndUnlinkedFadersSendOnePackedPair) {
  Make();
  Fader("Slider1")->SetPosition(20000);
  EXPECT_EQ(Fader("Slider2")->Position(), 20000);
  EXPECT_EQ(Sent(), (std::vector<std::string>{Msg(w->HandleOf(0), 0x4033, 0x9C409C40)}));

  auto* box = dynamic_cast<ui::TCheckBox*>(w->FindComponent("chkLink56"));
  box->SetChecked(false);
  EXPECT_TRUE(Sent().empty());         // unchecking changes nothing
  Fader("Slider6")->SetPosition(100);  // left of 5/6 without its partner
  Sent();
  Fader("Slider5")->SetPosition(300);
  EXPECT_EQ(Fader("Slider6")->Position(), 100);
  EXPECT_EQ(Sent(), (std::vector<std::string>{Msg(w->HandleOf(5), 0x4033, 0x025800C8)}));
  // Checking the box again: the left fader leads, the pair goes out.
  box->SetChecked(true);
  EXPECT_EQ(Fader("Slider5")->Position(), 100);
  EXPECT_EQ(Pair(0, 2, PairField::InGain), 0x00C800C8u);
}

TEST_F(AinpTest, OddGainWordAtTheTopOpensTheWindowWithTheFaderAtMax) {
  Discover(1);
  system.SetPairField(0, 0, PairField::InGain, 0xFFFF0003);
  Make();
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(Fader("Slider1")->Position(), 2);
  EXPECT_EQ(Fader("Slider2")->Position(), 32767);
  EXPECT_TRUE(w->ChangeGuardOpen());
}

TEST_F(AinpTest, CdSwitchingAndClickingThePressedButton) {
  Make();
  ui::user::Click(Button("SpeedButton17"));  // CD of pair 3/4
  // Line, Mic, CD of the left channel, then of the right: only CD is down.
  EXPECT_EQ(Downs(2, 3), "001001");
  EXPECT_EQ(Sent().front(), Msg(w->HandleOf(2), 0x4035, 0x00020002));
  // Mic on the right channel leaves CD for both channels.
  ui::user::Click(Button("SpeedButton3"));
  EXPECT_EQ(Downs(2, 3), "010010");
  EXPECT_EQ(Sent().front(), Msg(w->HandleOf(3), 0x4035, 0x00010001));
  // The pressed button stays pressed and nothing is sent.
  ui::user::Click(Button("SpeedButton3"));
  EXPECT_TRUE(Button("SpeedButton3")->Down());
  EXPECT_TRUE(Sent().empty());
  // An ordinary change: only the clicked channel's byte; the monitor bytes
  // go back as they were read.
  system.SetPairField(0, 3, PairField::InPair, 0x02010000);
  w->ReadInputSources();
  Sent();
  ui::user::Click(Button("SpeedButton9"));  // Mic, channel 6
  EXPECT_EQ(Sent().front(), Msg(w->HandleOf(6), 0x4035, 0x02010001));
}

TEST_F(AinpTest, SourceReadBackPressesOnlyButtonsThatExist) {
  Discover(1);
  system.SetPairField(0, 0, PairField::InPair, 0x00070001);  // Mic, unknown 7
  system.SetPairField(0, 1, PairField::InPair, 0x00000002);  // CD on the left only
  system.SetPairField(0, 2, PairField::InPair, 0x00020000);  // CD where there is no CD button
  Make();
  EXPECT_EQ(Downs(0, 1), "0100");
  EXPECT_EQ(Downs(2, 3), "001001");
  EXPECT_EQ(Downs(4, 5), "1000");
}

TEST_F(AinpTest, MetersRunWhileShownAndFollowThePoll) {
  Make();
  EXPECT_TRUE(w->Meters().Running());
  system.PinLevel(sim::Dir::In, 0, 0, 32767);
  system.PinLevel(sim::Dir::In, 0, 1, 0);
  Sent();
  platform.timers().AdvanceTo(100, [&] { app.ProcessMessages(); });
  auto sent = Sent();
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                          [](const std::string& s) { return s.find("0x403A") != s.npos; }),
            4);
  controls::TLevelMeter* left = w->Meters().Meters()[0];
  // Lit by the poll at 100 ms, then one tick (120 ms) lets it fall a lamp.
  platform.timers().AdvanceTo(120, [&] { app.ProcessMessages(); });
  EXPECT_EQ(left->Peak(), 39);
  EXPECT_EQ(w->Meters().Meters()[1]->LitCount(), 0);

  ui::user::Click(w->chkPeakMeter);
  EXPECT_FALSE(w->Meters().Running());
  EXPECT_EQ(observer.With("timer kill").size(), 2u);
  EXPECT_EQ(Sent().size(), 4u);  // one stop per pair
  ui::user::Click(w->chkPeakMeter);
  EXPECT_EQ(observer.With("timer start").size(), 2u);
  w->StartMeters();  // already running: nothing
  EXPECT_EQ(Sent().size(), 4u);
}

TEST_F(AinpTest, HidingEverySectionLeavesTheOptionRowAlone) {
  Make();
  const int height = w->Height();
  ASSERT_EQ(height, 512);
  ui::user::Click(w->chkSourceSelect);
  EXPECT_EQ(w->Height(), 512 - 58);
  EXPECT_EQ(w->pnMeters->Top(), 64 - 58);
  ui::user::Click(w->chkPeakMeter);
  ui::user::Click(w->chkGainSlider);
  EXPECT_FALSE(w->grpInput->Visible());
  EXPECT_EQ(w->FixedHeight(), 512 - 438);
  EXPECT_EQ(w->Height(), w->FixedHeight());
  ui::user::Click(w->chkGainSlider);
  EXPECT_TRUE(w->grpInput->Visible());
  EXPECT_EQ(w->Height(), 512 - 58 - 176);
  ui::user::Click(w->chkSourceSelect);
  ui::user::Click(w->chkPeakMeter);
  EXPECT_EQ(w->Height(), 512);
  EXPECT_EQ(w->pnNumbers->Top(), 402);

  // Only the width moves, between 174 and 330 for one card.
  w->SetBounds(w->Left(), w->Top(), 1000, 100);
  EXPECT_EQ(w->Width(), 330);
  EXPECT_EQ(w->Height(), 512);
  w->SetWidth(10);
  EXPECT_EQ(w->Width(), 174);

  w->ToggleChecksPanel();
  EXPECT_EQ(w->Height(), 512 - 47);
  w->ToggleChecksPanel();
  EXPECT_EQ(w->Height(), 512);
}

}  // namespace
}  // namespace mixer
