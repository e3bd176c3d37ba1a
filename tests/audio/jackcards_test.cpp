// The cards on a JACK server, driven through the mixer windows as a user
// would, heard through a test client that plays sines of known amplitude
// into the card and measures what comes out: every gain is what the
// fader's tool tip reads, sources, mutes and the monitor switch the sound,
// the meters read the real peaks. A missing server leaves the cards absent
// at once; a server that goes away removes its cards.
#include "audio/jackcards.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <sstream>

#include "app/cardsound.h"
#include "audioserver.h"
#include "controls/levelmeter.h"
#include "controls/slider.h"
#include "mixer/Ainp.h"
#include "mixer/Mon.h"
#include "mixer/Wavelv.h"
#include "signalclient.h"
#include "system/mixer_fixture.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace audio {
namespace {

using testing_support::AudioServer;
using testing_support::ServerFor;
using testing_support::SignalClient;
using testing_support::ToolTipDb;

constexpr float kSilent = 1e-6f;

double Db(double ratio) {
  return 20 * std::log10(ratio);
}

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
  ServerFor nobody;
  sim::VirtualClock clock;
  sim::System system(clock, sim::ParseKnobs("cards=2 audio=jack"));
  std::ostringstream err;
  const auto start = std::chrono::steady_clock::now();
  auto sound = app::CardSound::Open(system, err);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(system.cards(), 0);
  EXPECT_NE(err.str().find("Morva 1: no audio server"), std::string::npos) << err.str();
}

// The program's side of a killed server, in a process of its own: JACK's
// library keeps what it knew of a server that crashed, and no client of
// that process could join any server after it (the program starts itself
// anew to come back). It opens two cards, says so, and tells how many
// microseconds after the kill (the parent's word) both removals were
// posted, or -1.
std::int64_t RemovalsAfterKill(int ready_fd, int killed_fd) {
  sim::VirtualClock clock;
  sim::System system(clock, sim::ParseKnobs("cards=2 audio=jack"));
  std::ostringstream err;
  auto sound = app::CardSound::Open(system, err);
  if (!sound || system.cards() != 2 || sound->ServerGone()) return -1;
  ui::HeadlessWidgetset ws;
  ui::TApplication app(ws);
  ui::TForm* window = ui::Create<ui::TForm>(&app);
  std::vector<DWORD> removed;
  window->SetMessageHandler(WM_DEVICECHANGE, [&](ui::TMessage& m) {
    DWORD devnode = 0;
    std::memcpy(&devnode, reinterpret_cast<const std::uint8_t*>(m.LParam) + 12, 4);
    if (m.WParam == 0x8001) removed.push_back(devnode);
  });
  std::int64_t killed = 0;
  if (::write(ready_fd, "r", 1) != 1 || ::read(killed_fd, &killed, sizeof killed) != sizeof killed)
    return -1;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (removed.size() < 2 && std::chrono::steady_clock::now() < give_up) {
    pollfd p{sound->removal_fd(), POLLIN, 0};
    if (::poll(&p, 1, 20) == 1) sound->AnnounceRemovals(app);
    app.ProcessMessages();
  }
  std::sort(removed.begin(), removed.end());
  if (!sound->ServerGone() ||
      removed != std::vector<DWORD>{system.Card(0).devnode, system.Card(1).devnode})
    return -1;
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
             .count() -
         killed;
}

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Killed, the server takes its cards with it within two seconds, as a
// pulled card goes (PipeWire's JACK library reports it only through the
// plain shutdown callback); once the server is back a client can join it
// again, which the program waits for when the user asked it to come back.
TEST(JackCards, AKilledServerRemovesItsCardsWithinTwoSecondsAndIsWaitedFor) {
  auto server = AudioServer::Make("morva-test-gone");
  ASSERT_TRUE(server->up());
  ServerFor it(*server);
  int ready[2], killed[2], reaction[2];
  ASSERT_EQ(::pipe(ready) | ::pipe(killed) | ::pipe(reaction), 0);
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    const std::int64_t us = RemovalsAfterKill(ready[1], killed[0]);
    ::_exit(::write(reaction[1], &us, sizeof us) == sizeof us ? 0 : 1);
  }
  char r = 0;
  ASSERT_EQ(::read(ready[0], &r, 1), 1);
  const std::int64_t at = Now();
  server->Kill();
  ASSERT_EQ(::write(killed[1], &at, sizeof at), static_cast<ssize_t>(sizeof at));
  std::int64_t us = -1;
  ASSERT_EQ(::read(reaction[0], &us, sizeof us), static_cast<ssize_t>(sizeof us));
  ::waitpid(program, nullptr, 0);
  for (int fd : {ready[0], ready[1], killed[0], killed[1], reaction[0], reaction[1]}) ::close(fd);
  EXPECT_GE(us, 0) << "the cards were not removed";
  std::printf("the cards were removed %lld ms after the kill\n", static_cast<long long>(us / 1000));
  EXPECT_LT(us, 2'000'000) << "removed " << us / 1000 << " ms after the kill";

  EXPECT_FALSE(app::CardSound::AwaitAudioServer(std::chrono::milliseconds(300),
                                                std::chrono::milliseconds(100)));
  server->Launch();
  EXPECT_TRUE(
      app::CardSound::AwaitAudioServer(std::chrono::seconds(10), std::chrono::milliseconds(100)));
  EXPECT_TRUE(server->Settle());
}

}  // namespace
}  // namespace audio
