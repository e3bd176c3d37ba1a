// The cards in daily use on the server: the program ended and started
// again brings back each card's mix and the connections the user made
// (those whose other port comes later too, none the user undid, nothing
// else), and the cards' ports report how late their paths are.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "app/cardsound.h"
#include "audio/cardmix.h"
#include "signalclient.h"
#include "sim/gainlaw.h"
#include "sim/system.h"

namespace audio {
namespace {

using testing_support::SignalClient;
using Links = std::set<std::pair<std::string, std::string>>;

// True once done() is, within two seconds.
bool Within2s(const std::function<bool()>& done) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The program's parts as morva-manager puts them together: the simulated
// system keeping its mix, the cards on the server keeping their
// connections, both in the stand-in Windows directory.
struct Program {
  Program(const std::filesystem::path& dir, const char* knobs)
      : system(clock, sim::ParseKnobs(knobs)) {
    system.KeepMixerState(dir);
    sound = app::CardSound::Open(system, err, dir);
  }
  sim::VirtualClock clock;
  sim::System system;
  std::ostringstream err;
  std::unique_ptr<app::CardSound> sound;
};

// A client of the test's own, to look at the graph and to play a port
// that comes and goes.
class Client {
 public:
  explicit Client(const char* name) {
    jack_status_t status{};
    client_ = jack_client_open(name, JackNoStartServer, &status);
  }
  ~Client() {
    if (client_) jack_client_close(client_);
  }
  jack_client_t* get() const { return client_; }
  jack_port_t* Port(const char* name, unsigned long flags) {
    return jack_port_register(client_, name, JACK_DEFAULT_AUDIO_TYPE, flags, 0);
  }
  // Every connection of the card's ports, sender first.
  Links LinksOf(const std::string& card) const {
    Links links;
    const char** ports = jack_get_ports(client_, (card + ":.*").c_str(), nullptr, 0);
    for (const char** p = ports; p && *p; ++p) {
      jack_port_t* port = jack_port_by_name(client_, *p);
      const bool sends = jack_port_flags(port) & JackPortIsOutput;
      const char** others = jack_port_get_all_connections(client_, port);
      for (const char** o = others; o && *o; ++o)
        links.insert(sends ? std::pair<std::string, std::string>{*p, *o}
                           : std::pair<std::string, std::string>{*o, *p});
      jack_free(others);
    }
    jack_free(ports);
    return links;
  }

 private:
  jack_client_t* client_ = nullptr;
};

class RestartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "morva_restart_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Stored() const {
    std::ifstream in(dir / app::CardSound::kConnectionsFile);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool Remembers(const std::string& from, const std::string& to) const {
    return Stored().find(from + "\t" + to + "\n") != std::string::npos;
  }

  std::filesystem::path dir;
};

TEST_F(RestartTest, AStartAgainBringsBackTheMixAndTheUsersConnections) {
  const std::uint32_t gain = 0x00006000;  // left input fader below the middle
  Client look("morva-look");
  ASSERT_NE(look.get(), nullptr);
  std::unique_ptr<SignalClient> sig;
  {
    Program first(dir, "cards=1 audio=jack");
    ASSERT_EQ(first.system.cards(), 1) << first.err.str();
    // The user's mix: channel 1 records its Mic at the gain.
    first.system.SetPairField(0, 0, sim::PairField::InPair, 0x00000001);
    first.system.SetPairField(0, 0, sim::PairField::InGain, gain);
    // The user's connections: a sine into Mic In 1, Record 1 listened to,
    // one made and taken apart again, one to a player that then quits.
    sig = std::make_unique<SignalClient>(
        std::vector<std::string>{"Morva 1:Mic In 1", "Morva 1:Playback 2"},
        std::vector<std::string>{"Morva 1:Record 1"});
    ASSERT_TRUE(sig->ok());
    {
      Client player("morva-player");
      jack_port_t* in = player.Port("in", JackPortIsInput);
      ASSERT_EQ(jack_activate(player.get()), 0);
      ASSERT_EQ(jack_connect(player.get(), "Morva 1:Analog Out 1", jack_port_name(in)), 0);
      EXPECT_TRUE(Within2s([&] { return Remembers("Morva 1:Analog Out 1", "morva-player:in"); }));
    }
    EXPECT_TRUE(Within2s([&] { return Remembers("morva-test:play 1", "Morva 1:Playback 2"); }));
    ASSERT_EQ(jack_disconnect(look.get(), "morva-test:play 1", "Morva 1:Playback 2"), 0);
    EXPECT_TRUE(Within2s([&] { return !Remembers("morva-test:play 1", "Morva 1:Playback 2"); }));
  }
  // (PipeWire's clients learn a moment later that a client went.)
  EXPECT_TRUE(Within2s([&] { return look.LinksOf("Morva 1").empty(); }));

  Program second(dir, "cards=1 audio=jack");
  EXPECT_EQ(second.system.GetPairField(0, 0, sim::PairField::InGain), gain);
  // Made again at the start (PipeWire's clients learn of a new link a
  // moment later), and nothing else.
  const Links expected{{"morva-test:play 0", "Morva 1:Mic In 1"},
                       {"Morva 1:Record 1", "morva-test:listen 0"}};
  EXPECT_TRUE(Within2s([&] { return look.LinksOf("Morva 1") == expected; }));
  EXPECT_EQ(look.LinksOf("Morva 1"), expected);
  sig->SetAmplitude(0, 0.1f);
  EXPECT_NEAR(20 * std::log10(sig->SettledPeak(0) / 0.1),
              20 * std::log10(sim::GainFactor(sim::Fader::Input, gain & 0xFFFF)), 0.1);
  // The player starts again: its connection is made as its port comes.
  Client player("morva-player");
  player.Port("in", JackPortIsInput);
  ASSERT_EQ(jack_activate(player.get()), 0);
  EXPECT_TRUE(Within2s([&] {
    return look.LinksOf("Morva 1").count({"Morva 1:Analog Out 1", "morva-player:in"}) == 1;
  }));
  sig.reset();
}

TEST_F(RestartTest, WithConnectionsOffNothingIsMadeOrStored) {
  {
    Program first(dir, "cards=1 audio=jack");
    Client look("morva-look");
    ASSERT_EQ(jack_connect(look.get(), "Morva 1:Record 1", "Morva 1:Playback 1"), 0);
    ASSERT_TRUE(Within2s([&] { return Remembers("Morva 1:Record 1", "Morva 1:Playback 1"); }));
  }
  const std::string stored = Stored();
  Program off(dir, "cards=1 audio=jack connections=off");
  Client look("morva-look");
  EXPECT_TRUE(look.LinksOf("Morva 1").empty());
  ASSERT_EQ(jack_connect(look.get(), "Morva 1:Record 2", "Morva 1:Playback 2"), 0);
  off.sound.reset();
  EXPECT_EQ(Stored(), stored);
}

// A client whose ports stand for the world around the card: what it plays
// was captured 100 frames ago, what it takes is heard 200 frames later.
// Its latency is told after the activation, and never while it closes
// (PipeWire's JACK library aborts when that overlaps).
class World {
 public:
  World() : client_("morva-world") {
    out_ = client_.Port("out", JackPortIsOutput);
    in_ = client_.Port("in", JackPortIsInput);
    // The server asks only clients that take part in its cycles.
    jack_set_process_callback(
        client_.get(), [](jack_nframes_t, void*) { return 0; }, nullptr);
    jack_set_latency_callback(client_.get(), &Latency, this);
    ok_ = jack_activate(client_.get()) == 0;
    // Known before the card meets them (PipeWire may ask the card first).
    Telling(true);
    Tell(this);
  }
  ~World() { Telling(false); }
  bool ok() const { return ok_; }
  jack_client_t* client() const { return client_.get(); }

 private:
  static void Latency(jack_latency_callback_mode_t, void* self) { Tell(self); }
  static void Tell(void* arg) {
    auto* self = static_cast<World*>(arg);
    std::lock_guard<std::mutex> hold(self->telling_);
    if (!self->told_) return;
    jack_latency_range_t captured{100, 100}, heard{200, 200};
    jack_port_set_latency_range(self->out_, JackCaptureLatency, &captured);
    jack_port_set_latency_range(self->in_, JackPlaybackLatency, &heard);
  }
  void Telling(bool on) {
    std::lock_guard<std::mutex> hold(telling_);
    told_ = on;
  }
  std::mutex telling_;
  bool told_ = false;
  Client client_;
  jack_port_t* out_ = nullptr;
  jack_port_t* in_ = nullptr;
  bool ok_ = false;
};

TEST_F(RestartTest, PortsReportTheLatencyOfTheirPathsThroughTheConverters) {
  Program program(dir, "cards=1 audio=jack connections=off");
  World world;
  ASSERT_TRUE(world.ok());
  ASSERT_EQ(jack_connect(world.client(), "morva-world:out", "Morva 1:Line In 1"), 0);
  ASSERT_EQ(jack_connect(world.client(), "Morva 1:Analog Out 1", "morva-world:in"), 0);
  struct Expected {
    const char* port;
    jack_latency_callback_mode_t mode;
    jack_nframes_t frames;
  };
  const Expected expected[] = {
      {"Morva 1:Record 1", JackCaptureLatency, 100 + kAdFrames},
      {"Morva 1:Record 2", JackCaptureLatency, kAdFrames},  // nothing before it
      {"Morva 1:Analog Out 1", JackCaptureLatency, 100 + kAdFrames + kDaFrames},  // monitored
      {"Morva 1:Record S/PDIF L", JackCaptureLatency, 0},
      {"Morva 1:Playback 1", JackPlaybackLatency, 200 + kDaFrames},
      {"Morva 1:Line In 1", JackPlaybackLatency, 200 + kAdFrames + kDaFrames},
      {"Morva 1:Playback 2", JackPlaybackLatency, kDaFrames},
  };
  for (const Expected& e : expected) {
    jack_port_t* port = jack_port_by_name(world.client(), e.port);
    ASSERT_NE(port, nullptr) << e.port;
    jack_latency_range_t range{};
    EXPECT_TRUE(Within2s([&] {
      jack_port_get_latency_range(port, e.mode, &range);
      return range.min == e.frames && range.max == e.frames;
    })) << e.port
        << " reports " << range.min << "-" << range.max << ", expected " << e.frames;
  }
}

}  // namespace
}  // namespace audio
