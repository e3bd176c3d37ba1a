// The cards on a JACK server, driven through the mixer windows as a user
// would, heard through a test client that plays sines of known amplitude
// into the card and measures what comes out: every gain is what the
// fader's tool tip reads, sources, mutes and the monitor switch the sound,
// the meters read the real peaks. A missing server leaves the cards absent
// at once; a server that goes away removes its cards.
#include "audio/jackcards.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <sstream>

#include "app/cardsound.h"
#include "controls/levelmeter.h"
#include "controls/slider.h"
#include "jackserver.h"
#include "mixer/Ainp.h"
#include "mixer/Mon.h"
#include "mixer/Wavelv.h"
#include "signalclient.h"
#include "system/mixer_fixture.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace audio {
namespace {

using testing_support::SignalClient;
using testing_support::ToolTipDb;

constexpr float kSilent = 1e-6f;

double Db(double ratio) {
  return 20 * std::log10(ratio);
}

// JACK_DEFAULT_SERVER for one test.
class ServerFor {
 public:
  explicit ServerFor(const std::string& name) : old_(std::getenv("JACK_DEFAULT_SERVER")) {
    ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
  }
  ~ServerFor() { ::setenv("JACK_DEFAULT_SERVER", old_.c_str(), 1); }

 private:
  std::string old_;
};

struct JackCardTest : testing_support::MixerWindowTest {
  JackCards cards;
  void SetUp() override {
    std::string why;
    ASSERT_EQ(cards.Open(1, &why), 1) << why;
    system.SetEngine(&cards);
  }
  void TearDown() override { system.SetEngine(nullptr); }

  template <typename F>
  F* Show() {
    F* f = ui::CreateForm<F>(&app, state);
    f->CallFormShow();
    app.ProcessMessages();
    return f;
  }
  static controls::TSlider* Fader(ui::TForm* w, const char* name) {
    return dynamic_cast<controls::TSlider*>(w->FindComponent(name));
  }
  static double Reads(controls::TSlider* s) { return ToolTipDb(s->Thumb()->OnValueText()); }
  static void Click(ui::TForm* w, const char* name) {
    ui::user::Click(dynamic_cast<ui::TControl*>(w->FindComponent(name)));
  }
  // The windows' 100 ms level poll.
  void Poll() {
    platform.timers().AdvanceTo(clock.NowMs() + 100, [&] { app.ProcessMessages(); });
  }
};

TEST_F(JackCardTest, RecordChannelsTakeTheirSourceAtTheGainTheFaderReads) {
  Discover(1);
  auto* w = Show<mixer::TfrmAnalogInp>();
  SignalClient sig({"Morva 1:Line In 1", "Morva 1:Mic In 2", "Morva 1:CD In L"},
                   {"Morva 1:Record 1", "Morva 1:Record 2", "Morva 1:Record 3"});
  ASSERT_TRUE(sig.ok());
  sig.SetAmplitude(0, 0.1f);
  sig.SetAmplitude(1, 0.2f);
  sig.SetAmplitude(2, 0.15f);
  controls::TSlider* fader = Fader(w, "Slider1");
  for (int position : {0, 9830, 20000, 32767}) {
    fader->SetPosition(position);
    EXPECT_NEAR(Db(sig.SettledPeak(0) / 0.1), Reads(fader), 0.1) << position;
  }
  // The right channel records the silent Line In 2 until it takes the Mic.
  EXPECT_LT(sig.SettledPeak(1), kSilent);
  ui::user::Click(w->Route(1, 1));
  EXPECT_NEAR(Db(sig.SettledPeak(1) / 0.2), Reads(Fader(w, "Slider2")), 0.1);
  // CD on pair 3/4: its left channel records the CD's left side.
  EXPECT_LT(sig.SettledPeak(2), kSilent);
  ui::user::Click(w->Route(2, 2));
  EXPECT_NEAR(Db(sig.SettledPeak(2) / 0.15), Reads(Fader(w, "Slider3")), 0.1);
}

TEST_F(JackCardTest, OutputsCarryThePlaybackAtItsVolumeAndTheMonitoredInput) {
  Discover(1);
  auto* out = Show<mixer::TfrmWaveLevel>();
  auto* mon = Show<mixer::TfrmMon>();
  SignalClient sig({"Morva 1:Line In 1", "Morva 1:Playback 3"},
                   {"Morva 1:Analog Out 1", "Morva 1:Analog Out 3", "Morva 1:Record 1"});
  ASSERT_TRUE(sig.ok());
  sig.SetAmplitude(0, 0.1f);
  sig.SetAmplitude(1, 0.3f);
  controls::TSlider* volume = Fader(out, "Slider1");  // channel 3
  for (int position : {511, 300, 100, 10}) {
    volume->SetPosition(position);
    const double reads = Reads(volume);
    if (std::isinf(reads))
      EXPECT_LT(sig.SettledPeak(1), kSilent) << position;
    else
      EXPECT_NEAR(Db(sig.SettledPeak(1) / 0.3), reads, 0.1) << position;
  }
  volume->SetPosition(400);
  Click(out, "SpeedButton1");  // mute channel 3
  EXPECT_LT(sig.SettledPeak(1), kSilent);
  Click(out, "SpeedButton1");
  EXPECT_NEAR(Db(sig.SettledPeak(1) / 0.3), Reads(volume), 0.1);

  // Output 1 plays nothing; "OnPunch" and "On" pass the record channel to
  // it at the monitor fader's gain, "OnRec" and off pass nothing.
  EXPECT_LT(sig.SettledPeak(0), kSilent);
  Fader(mon, "scrOut2")->SetPosition(20000);
  Click(mon, "SpeedButton8");
  const double record = sig.SettledPeak(2);
  EXPECT_NEAR(Db(sig.SettledPeak(0) / record), Reads(Fader(mon, "scrOut2")), 0.1);
  Click(mon, "SpeedButton10");
  EXPECT_NEAR(Db(sig.SettledPeak(0) / record), Reads(Fader(mon, "scrOut2")), 0.1);
  Click(mon, "SpeedButton7");
  EXPECT_LT(sig.SettledPeak(0), kSilent);
  Click(mon, "SpeedButton7");
  EXPECT_LT(sig.SettledPeak(0), kSilent);
  // "Mute Play" of pair 3/4 takes the playback off output 3.
  Click(mon, "SpeedButton24");
  EXPECT_LT(sig.SettledPeak(1), kSilent);
}

TEST_F(JackCardTest, MetersReadThePlayedPeakAndFallBackWhenItStops) {
  Discover(1);
  auto* w = Show<mixer::TfrmAnalogInp>();
  auto* meter = dynamic_cast<controls::TLevelMeter*>(w->FindComponent("Meter1"));
  SignalClient sig({"Morva 1:Line In 1"}, {"Morva 1:Record 1"});
  ASSERT_TRUE(sig.ok());
  sig.SetAmplitude(0, 0.25f);
  Fader(w, "Slider1")->SetPosition(0);  // 0 dB
  sig.WaitBlocks(8);
  Poll();  // what came before the fader moved
  sig.WaitBlocks(8);
  Poll();
  EXPECT_NEAR(meter->Level(), 0.25 * 32767, 1);
  sig.SetAmplitude(0, 0);
  sig.WaitBlocks(8);
  Poll();  // the last blocks of the sine
  sig.WaitBlocks(8);
  Poll();
  EXPECT_EQ(meter->Level(), 0);
}

TEST(JackCards, WithoutAServerTheCardsAreAbsentAtOnce) {
  ServerFor nobody("morva-nobody");
  sim::VirtualClock clock;
  sim::System system(clock, sim::ParseKnobs("cards=2 audio=jack"));
  std::ostringstream err;
  const auto start = std::chrono::steady_clock::now();
  auto sound = app::CardSound::Open(system, err);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(system.cards(), 0);
  EXPECT_NE(err.str().find("Morva 1: no audio server"), std::string::npos) << err.str();
}

TEST(JackCards, AServerGoingAwayRemovesItsCards) {
  testing_support::JackServer server("morva-test-gone");
  ASSERT_TRUE(server.up());
  ServerFor it(server.name());
  sim::VirtualClock clock;
  sim::System system(clock, sim::ParseKnobs("cards=2 audio=jack"));
  std::ostringstream err;
  auto sound = app::CardSound::Open(system, err);
  ASSERT_NE(sound, nullptr);
  ASSERT_EQ(system.cards(), 2) << err.str();
  ui::HeadlessWidgetset ws;
  ui::TApplication app(ws);
  ui::TForm* window = ui::Create<ui::TForm>(&app);
  std::vector<DWORD> removed;
  window->SetMessageHandler(WM_DEVICECHANGE, [&](ui::TMessage& m) {
    DWORD devnode = 0;
    std::memcpy(&devnode, reinterpret_cast<const std::uint8_t*>(m.LParam) + 12, 4);
    if (m.WParam == 0x8001) removed.push_back(devnode);
  });
  server.Stop();
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (removed.size() < 2 && std::chrono::steady_clock::now() < give_up) {
    pollfd p{sound->removal_fd(), POLLIN, 0};
    if (::poll(&p, 1, 100) == 1) sound->AnnounceRemovals(app);
    app.ProcessMessages();
  }
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<DWORD>{system.Card(0).devnode, system.Card(1).devnode}));
}

}  // namespace
}  // namespace audio
