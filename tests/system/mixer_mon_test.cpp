// The monitor mixer window on the simulated card: modes with their record
// bytes and gate words, the playback mute, the read-back, clones for
// further cards and presets that end in the stored modes.
#include "mixer/Mon.h"

#include "mixer_fixture.h"
#include "settings/formstate.h"
#include "ui/useractions.h"

namespace mixer {
namespace {

using sim::PairField;

struct MonTest : testing_support::MixerWindowTest {
  TfrmMon* w = nullptr;
  void Make(int cards = 1) { w = Open<TfrmMon>(cards); }
  ui::TSpeedButton* Button(const std::string& name) {
    return dynamic_cast<ui::TSpeedButton*>(w->FindComponent(name));
  }
  // The Down states of the mode and mute buttons in component order.
  std::string Downs() {
    std::string s;
    for (ui::TComponent* c : w->ComponentList())
      if (auto* b = dynamic_cast<ui::TSpeedButton*>(c)) s += b->Down() ? '1' : '0';
    return s;
  }
};

TEST_F(MonTest, ModesWriteTheirRecordByteAndGateWordsInOrder) {
  Discover(1);
  system.SetPairField(0, 1, PairField::InPair, 0x00010201);
  Make();
  const auto h = w->HandleOf(2);
  ui::user::Click(Button("SpeedButton14"));  // "OnRec" of pair 3/4
  auto first = Sent();
  ASSERT_EQ(first.size(), 3u);
  const std::string read = Msg(h, 0x4034, 0);
  EXPECT_EQ(first[0].substr(0, first[0].rfind(' ')), read.substr(0, read.rfind(' ')));
  EXPECT_EQ(first[1], Msg(h, 0x4035, 0x01010201));
  EXPECT_EQ(first[2], Msg(h, 0x403E, 0xFFFFFFFF));
  EXPECT_EQ(Pair(0, 1, PairField::InPair), 0x01010201u);
  EXPECT_EQ(Pair(0, 1, PairField::Gate), 0xFFFFFFFFu);

  observer.lines.clear();
  ui::user::Click(Button("SpeedButton11"));  // "On": OnRec goes up by the group
  EXPECT_FALSE(Button("SpeedButton14")->Down());
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[1], Msg(h, 0x4035, 0x02010201));
  EXPECT_EQ(sent[2], Msg(h, 0x403E, 0x00000000));

  ui::user::Click(Button("SpeedButton11"));  // released: gate first, then off
  sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[1], Msg(h, 0x403E, 0xFFFFFFFF));
  EXPECT_EQ(sent[2], Msg(h, 0x4035, 0x00010201));

  ui::user::Click(Button("SpeedButton13"));  // "OnPunch"
  EXPECT_EQ(Pair(0, 1, PairField::InPair) >> 24, 2u);
  EXPECT_EQ(Pair(0, 1, PairField::Gate), 0xFFFFFFFFu);
}

TEST_F(MonTest, MuteTogglesByteOneAndRewritesTheGateUnchanged) {
  Discover(1);
  system.SetPairField(0, 3, PairField::Gate, 0x12345678);
  Make();
  const auto h = w->HandleOf(6);
  ui::user::Click(Button("SpeedButton26"));
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[1], Msg(h, 0x4035, 0x00000100));
  EXPECT_EQ(sent[3], Msg(h, 0x403E, 0x12345678));
  ui::user::Click(Button("SpeedButton26"));
  EXPECT_EQ(Pair(0, 3, PairField::InPair), 0u);
}

TEST_F(MonTest, ReadBackShowsTheDriverStateAndClampsTheTopGainWord) {
  Discover(1);
  system.SetPairField(0, 0, PairField::InPair, 0x00000000);
  system.SetPairField(0, 0, PairField::Gate, 0x00000000);    // off but gate open: "On"
  system.SetPairField(0, 1, PairField::InPair, 0x02000000);  // OnPunch
  system.SetPairField(0, 2, PairField::InPair, 0x01000100);  // OnRec, muted
  system.SetPairField(0, 3, PairField::MonGain, 0xFFFF0001);
  Make();
  // Pairs in component order: On, OnPunch, OnRec, Mute Play.
  EXPECT_EQ(Downs(),
            "1000"
            "0100"
            "0011"
            "0000");
  auto* left = dynamic_cast<controls::TSlider*>(w->FindComponent("Slider5"));
  auto* right = dynamic_cast<controls::TSlider*>(w->FindComponent("Slider6"));
  EXPECT_EQ(left->Position(), 0);
  EXPECT_EQ(right->Position(), 32767);
  EXPECT_TRUE(boxes().empty());
  // One record and one gate read per pair.
  observer.lines.clear();
  w->ReadMonitorState();
  EXPECT_EQ(Sent().size(), 8u);
}

TEST_F(MonTest, FaderMovesSendTheMonitorPair) {
  Make();
  auto* left = dynamic_cast<controls::TSlider*>(w->FindComponent("scrOut2"));
  left->SetPosition(20000);
  EXPECT_EQ(Sent(), (std::vector<std::string>{Msg(w->HandleOf(0), 0x403C, 0x9C409C40)}));
}

TEST_F(MonTest, FourCardsKeepTheirButtonsApart) {
  Make(4);
  std::vector<ui::TSpeedButton*> on;
  for (ui::TComponent* c : w->ComponentList())
    if (auto* b = dynamic_cast<ui::TSpeedButton*>(c); b && b->Tag() == TfrmMon::kTagOn)
      on.push_back(b);
  ASSERT_EQ(on.size(), 16u);
  for (ui::TSpeedButton* b : on) ui::user::Click(b);
  for (ui::TSpeedButton* b : on) EXPECT_TRUE(b->Down());
  for (int card = 0; card < 4; ++card)
    for (int pair = 0; pair < 4; ++pair) {
      EXPECT_EQ(Pair(card, pair, PairField::InPair) >> 24, 2u) << card << pair;
      EXPECT_EQ(Pair(card, pair, PairField::Gate), 0u) << card << pair;
    }
  EXPECT_NE(w->FindComponent("Slider32"), nullptr);
  EXPECT_NE(w->FindComponent("chkLink3132"), nullptr);
}

TEST_F(MonTest, PresetLoadEndsInTheStoredModeOfEachPair) {
  // Pair 1/2 stored "On", pair 3/4 off (driver was on "OnRec"), pair 5/6 "OnPunch".
  WriteIni(
      "[Analog Input Monitors Live]\r\n"
      "SpeedButton10=1\r\nSpeedButton8=0\r\nSpeedButton7=0\r\n"
      "SpeedButton11=0\r\nSpeedButton13=0\r\nSpeedButton14=0\r\n"
      "SpeedButton15=0\r\nSpeedButton17=1\r\nSpeedButton18=0\r\n");
  Discover(1);
  system.SetPairField(0, 1, PairField::InPair, 0x01000000);
  Make();
  w->SetPresetLoading(true);
  settings::LoadWindowState(*w, "Vozururo.ini", " Live", settings::kAllControls, false);
  w->SetPresetLoading(false);
  EXPECT_TRUE(Button("SpeedButton10")->Down());
  EXPECT_EQ(Pair(0, 0, PairField::InPair) >> 24, 2u);
  EXPECT_EQ(Pair(0, 0, PairField::Gate), 0u);
  EXPECT_EQ(Pair(0, 1, PairField::InPair) >> 24, 0u);
  EXPECT_EQ(Pair(0, 2, PairField::InPair) >> 24, 2u);
  EXPECT_EQ(Pair(0, 2, PairField::Gate), 0xFFFFFFFFu);
  // Each pair's mode written once, in pair order; every mute button also
  // writes its (unchanged) state after its pair's mode.
  std::vector<std::string> writes;
  for (const auto& s : observer.With("msg in "))
    if (s.find(" 0x4035 ") != s.npos) writes.push_back(s);
  ASSERT_EQ(writes.size(), 8u);
  for (int p = 0; p < 4; ++p)
    EXPECT_EQ(writes[2 * p].rfind("msg in h" + std::to_string(w->HandleOf(2 * p)) + " ", 0), 0u);
}

}  // namespace
}  // namespace mixer
