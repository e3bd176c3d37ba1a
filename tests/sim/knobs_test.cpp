#include "sim/knobs.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace sim {
namespace {

TEST(Knobs, ReadsEveryKnob) {
  const Knobs k = ParseKnobs(
      "  cards=2 states=1,1,-22,0,0 foreign=0 order=17 reconfigurable=0 bridge=hang "
      "tray=fail arena=0x100 device=out,190,6,Analog_Playback_9-10 level=in,1,8,1234 "
      "configdir=/tmp/x audio=jack mixer=fresh connections=off rejoin=1");
  EXPECT_EQ(k.cards, 2);
  EXPECT_EQ(*k.states, (std::array<std::int32_t, 5>{1, 1, -22, 0, 0}));
  EXPECT_FALSE(k.foreign);
  EXPECT_EQ(k.order, DeviceOrder::Shuffle);
  EXPECT_EQ(k.seed, 17u);
  EXPECT_FALSE(k.reconfigurable);
  EXPECT_EQ(k.bridge, BridgeMode::Hang);
  EXPECT_FALSE(k.tray_ok);
  EXPECT_EQ(*k.arena_limit, 256u);
  ASSERT_EQ(k.extra_devices.size(), 1u);
  EXPECT_EQ(k.extra_devices[0].dir, Dir::Out);
  EXPECT_EQ(k.extra_devices[0].mid, 190);
  EXPECT_EQ(k.extra_devices[0].name, "Analog Playback 9-10");
  ASSERT_EQ(k.pins.size(), 1u);
  EXPECT_EQ(k.pins[0].card, 1);
  EXPECT_EQ(k.pins[0].ch, 8);
  EXPECT_EQ(k.pins[0].value, 1234);
  EXPECT_EQ(k.config_dir, "/tmp/x");
  EXPECT_EQ(k.audio, Audio::Jack);
  EXPECT_TRUE(k.fresh_mixer);
  EXPECT_FALSE(k.remember_connections);
  EXPECT_TRUE(k.rejoin);
  const Knobs defaults = ParseKnobs("");
  EXPECT_EQ(defaults.audio, Audio::Model);
  EXPECT_FALSE(defaults.fresh_mixer);
  EXPECT_TRUE(defaults.remember_connections);
  EXPECT_FALSE(defaults.rejoin);
  EXPECT_EQ(ParseKnobs("order=reverse").order, DeviceOrder::Reverse);
}

TEST(Knobs, RejectsWhatItCannotRead) {
  for (const char* bad : {"cards=9", "cards=-1", "cards=x", "states=1,1", "bridge=maybe",
                          "device=up,1,2,x", "level=in,0,1", "noise=1", "cards", "arena=12k",
                          "audio=alsa", "mixer=old", "connections=1", "rejoin=yes"}) {
    EXPECT_THROW(ParseKnobs(bad), std::invalid_argument) << bad;
  }
}

}  // namespace
}  // namespace sim
