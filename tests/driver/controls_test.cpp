// Control handles by slot, card and channel, and the shared 16-bit buffers.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "driver/controls.h"
#include "platform/sim_fixture.h"
#include "ui/exceptions.h"

namespace driver {
namespace {

using testing_support::SimPlatformTest;

TEST(ControlFormatRecord, IsPcmStereoWithCtrlBytes) {
  const std::array<std::uint8_t, 22> expected = {1, 0, 2, 0,  0x44, 0xAC, 0, 0,   0x10, 0xB1, 2,
                                                 0, 4, 0, 16, 0,    4,    0, 'C', 'T',  'R',  'L'};
  EXPECT_EQ(std::memcmp(&ControlFormat(), expected.data(), 22), 0);
}

class Controls : public SimPlatformTest {
 protected:
  void Discover(int cards) {
    system.SetCards(cards);
    system.SetForeign(false);
    DiscoverCards(table);
    observer.lines.clear();
  }
  // The device ids the recorded opens used, in order.
  std::vector<std::string> Opens() { return observer.With("open"); }
  static std::string Open(const char* dir, int h, int dev) {
    return std::string("open ") + dir + " h" + std::to_string(h) + " dev" + std::to_string(dev);
  }
  CardTable table;
};

TEST_F(Controls, AnalogInputsOfTwoCardsOpenEachPairTwice) {
  Discover(2);
  std::array<ControlHandle, 32> handles{};
  OpenControlRange(table, HandleFromValue<HWND>(0x77), kKindAnalog, Direction::Record, 0, 7, 0,
                   table.CardCount - 1, handles);
  const auto opens = Opens();
  ASSERT_EQ(opens.size(), 16u);
  const int slots[8] = {5, 5, 6, 6, 7, 7, 8, 8};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(opens[8 + i], Open("in", 9 + i, table.RecDeviceIds[slots[i]])) << i;
    EXPECT_EQ(handles[8 + i], static_cast<ControlHandle>(9 + i));
  }
  EXPECT_EQ(handles[16], 0u);
}

TEST_F(Controls, DigitalOutputOfThreeCardsUsesTheSpdifSlots) {
  Discover(3);
  std::array<ControlHandle, 8> handles{};
  OpenControlRange(table, nullptr, kKindSpdif, Direction::Playback, 0, 1, 0, 2, handles);
  const int slots[6] = {4, 4, 9, 9, 14, 14};
  const auto opens = Opens();
  ASSERT_EQ(opens.size(), 6u);
  // Discovery's device-node queries used playback handles 1 to 3.
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(opens[i], Open("out", i + 4, table.PlayDeviceIds[slots[i]]));
  }
}

TEST_F(Controls, EmptyRangesOpenNothing) {
  Discover(2);
  std::array<ControlHandle, 32> handles{};
  OpenControlRange(table, nullptr, kKindAnalog, Direction::Record, 0, 7, 1, 0, handles);
  OpenControlRange(table, nullptr, kKindAnalog, Direction::Record, 5, 4, 0, 1, handles);
  EXPECT_TRUE(Opens().empty());
}

TEST_F(Controls, RangesNeverGoPastFourCardsOrTheArray) {
  Discover(6);
  std::array<ControlHandle, 8> handles{};
  OpenControlRange(table, nullptr, kKindSpdif, Direction::Record, 0, 1, 0, 5, handles);
  EXPECT_EQ(Opens().size(), 8u);  // cards 4 and 5 are left out
  std::array<ControlHandle, 3> short_array{};
  EXPECT_THROW(
      OpenControlRange(table, nullptr, kKindSpdif, Direction::Record, 0, 1, 0, 3, short_array),
      ui::EAbort);
  EXPECT_NE(short_array[2], 0u);  // what was opened stays in the array
}

TEST_F(Controls, AFailedOpenAbortsSilentlyKeepingEarlierHandles) {
  Discover(1);
  table.RecDeviceIds[1] = 99;  // no such device
  std::array<ControlHandle, 8> handles{};
  EXPECT_THROW(
      OpenControlRange(table, nullptr, kKindAnalog, Direction::Record, 0, 7, 0, 0, handles),
      ui::EAbort);
  EXPECT_NE(handles[0], 0u);
  EXPECT_NE(handles[1], 0u);
  EXPECT_EQ(handles[2], 0u);
  ControlHandle h = 0;
  EXPECT_THROW(OpenRecControl(table, nullptr, 40, h), ui::EAbort);
  EXPECT_THROW(OpenPlayControl(table, nullptr, -1, h), ui::EAbort);
}

TEST_F(Controls, CloseSkipsZerosAndKeepsHandlesThatFailToClose) {
  Discover(1);
  std::array<ControlHandle, 5> handles{};
  OpenPlayControl(table, nullptr, 0, handles[0]);
  OpenPlayControl(table, nullptr, 2, handles[2]);
  handles[3] = 4711;  // not an open handle: its close fails
  OpenPlayControl(table, nullptr, 3, handles[4]);
  CloseControls(Direction::Playback, 4, handles);
  EXPECT_EQ(handles, (std::array<ControlHandle, 5>{0, 0, 0, 4711, 4}));
  EXPECT_EQ(observer.With("close"), (std::vector<std::string>{"close out h2", "close out h3"}));
  CloseControls(Direction::Playback, 99, handles);  // a count past the array stops at its end
  EXPECT_EQ(handles[4], 0u);
}

TEST_F(Controls, SharedBuffersAreZeroedAndFreedOrInvalid) {
  SharedBuffer a = AllocSharedBuffer(80);
  ASSERT_TRUE(a.valid());
  EXPECT_EQ(a.vp, 0x0E070000u);
  EXPECT_EQ(a.At(8), 0x0E070008u);
  for (int i = 0; i < 80; ++i) EXPECT_EQ(a.flat[i], 0);
  FreeSharedBuffer(a);
  EXPECT_FALSE(a.valid());
  EXPECT_EQ(system.arena().BlockCount(), 0u);
  FreeSharedBuffer(a);  // freeing twice does nothing
  system.SetArenaLimit(4);
  SharedBuffer b = AllocSharedBuffer(8);
  EXPECT_FALSE(b.valid());
  EXPECT_EQ(b.vp, 0u);
}

}  // namespace
}  // namespace driver
