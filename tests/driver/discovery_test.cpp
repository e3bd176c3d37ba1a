// Finding the cards among the system's wave devices.
#include <gtest/gtest.h>

#include <string>

#include "driver/cardtable.h"
#include "platform/mmsystem.h"
#include "platform/sim_fixture.h"
#include "ui/exceptions.h"

namespace driver {
namespace {

using testing_support::SimPlatformTest;

std::string ConvertErrorOf(std::string_view name) {
  int pair = 0;
  try {
    DevNameChannelPairToCardId(name, 8, pair);
  } catch (const ui::EConvertError& e) {
    return e.what();
  }
  return "no error";
}

TEST(DevNameChannelPair, UpperChannelNumberGivesCardAndPair) {
  struct Case {
    const char* name;
    int card, pair;
  };
  for (const Case& c : {Case{"Analog Record 1-2", 0, 0}, Case{"Analog Playback 3-4", 0, 1},
                        Case{"Analog Record 7-8", 0, 3}, Case{"Analog Record 9-10", 1, 0},
                        Case{"Analog Record 15-16", 1, 3}, Case{"Analog Playback 63-64", 7, 3},
                        Case{"X-Y 0-1", 0, 0}, Case{"Analog Record 1-0", 0, -1},
                        Case{"Analog Record 1- 12", 1, 1}}) {
    int pair = 99;
    EXPECT_EQ(DevNameChannelPairToCardId(c.name, 8, pair), c.card) << c.name;
    EXPECT_EQ(pair, c.pair) << c.name;
  }
}

TEST(DevNameChannelPair, BadNamesRaiseTheConversionErrors) {
  EXPECT_EQ(ConvertErrorOf("Analog Record 12"), "DevNameChannelPairToCardId: Separator not found.");
  EXPECT_EQ(ConvertErrorOf("Analog Record 1-x"), "'x' ist kein gültiger Integerwert");
  EXPECT_EQ(ConvertErrorOf("Analog Record 1-2 "), "'2 ' ist kein gültiger Integerwert");
  EXPECT_EQ(ConvertErrorOf("Analog Record 1-"), "'' ist kein gültiger Integerwert");
  EXPECT_EQ(ConvertErrorOf("Analog Record 1-99999999999"),
            "'99999999999' ist kein gültiger Integerwert");
  // The largest 32-bit number converts and stays far outside the table.
  int pair = 0;
  EXPECT_GT(DevNameChannelPairToCardId("A 1-2147483647", 8, pair), 7);
}

TEST(DevNameSpdif, NumeralAfterTheLastBlankGivesTheCard) {
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Record I"), 0);
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Playback II"), 1);
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Record III"), 2);
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Record IV"), 3);
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Record IIII"), 2);  // cut to three characters
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Record "), 0);      // a blank alone is card 0
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Record"), -1);      // the word is "Rec"
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Record V"), -1);
  EXPECT_EQ(DevNameSpdifToCardId("S/PDIF Record ii"), -1);
  EXPECT_EQ(DevNameSpdifToCardId("XII"), 1);  // no blank: all but the first character
}

class Discovery : public SimPlatformTest {
 protected:
  // Adds the ten devices of one more card under names the driver would give it.
  void AddCardDevices(int card, const char* numeral, bool served = true) {
    for (int pair = 0; pair < 4; ++pair) {
      const int upper = 8 * card + 2 * pair + 2;
      const std::string suffix = std::to_string(upper - 1) + "-" + std::to_string(upper);
      system.AddDevice(sim::Dir::In, 190, 5, "Analog Record " + suffix, served);
      system.AddDevice(sim::Dir::Out, 190, 6, "Analog Playback " + suffix, served);
    }
    system.AddDevice(sim::Dir::In, 190, 5, std::string("S/PDIF Record ") + numeral, served);
    system.AddDevice(sim::Dir::Out, 190, 6, std::string("S/PDIF Playback ") + numeral, served);
  }
  std::string RecName(int slot) {
    WAVEINCAPSA caps{};
    waveInGetDevCapsA(table.RecDeviceIds[slot], &caps, sizeof caps);
    return caps.szPname;
  }
  CardTable table;
};

TEST_F(Discovery, OneCardFillsSlotsZeroToFourAndItsDeviceNode) {
  DiscoverCards(table);
  EXPECT_EQ(table.CardCount, 1);
  EXPECT_TRUE(table.CardsPresent);
  EXPECT_EQ(table.RecDeviceCount, 5);
  EXPECT_EQ(table.PlayDeviceCount, 5);
  for (int slot = 0; slot < 5; ++slot) {
    EXPECT_EQ(table.RecDeviceIds[slot], slot + 1);  // the foreign device 0 is skipped
    EXPECT_EQ(table.PlayDeviceIds[slot], slot + 1);
  }
  EXPECT_EQ(table.RecDeviceIds[5], 0);
  EXPECT_EQ(table.CardDevNodes[0], system.Card(0).devnode);
  EXPECT_EQ(observer.lines,
            (std::vector<std::string>{"open out h1 dev1", "msg out h1 0x4011 0x0E070000",
                                      "close out h1"}));
  EXPECT_EQ(system.arena().BlockCount(), 0u);
  EXPECT_EQ(system.OpenHandleCount(sim::Dir::Out), 0u);
}

TEST_F(Discovery, TwoCardsInShuffledOrderLandByName) {
  system.SetCards(2);
  system.SetOrder(sim::DeviceOrder::Shuffle, 3);
  DiscoverCards(table);
  EXPECT_EQ(table.CardCount, 2);
  EXPECT_EQ(RecName(5), "Analog Record 9-10");
  EXPECT_EQ(RecName(8), "Analog Record 15-16");
  EXPECT_EQ(RecName(9), "S/PDIF Record II");
  EXPECT_EQ(RecName(4), "S/PDIF Record I");
  EXPECT_NE(table.CardDevNodes[0], table.CardDevNodes[1]);
  EXPECT_EQ(table.CardDevNodes[1], system.Card(1).devnode);
}

TEST_F(Discovery, CountsDecideTheCardCount) {
  system.SetCards(0);
  for (int i = 0; i < 5; ++i) {
    system.AddDevice(
        sim::Dir::In, 190, 5,
        "Analog Record " + std::to_string(2 * i + 1) + "-" + std::to_string(2 * i + 2));
  }
  for (int i = 0; i < 4; ++i) {
    system.AddDevice(
        sim::Dir::Out, 190, 6,
        "Analog Playback " + std::to_string(2 * i + 1) + "-" + std::to_string(2 * i + 2));
  }
  DiscoverCards(table);
  EXPECT_EQ(table.RecDeviceCount + table.PlayDeviceCount, 9);
  EXPECT_EQ(table.CardCount, 0);
  EXPECT_FALSE(table.CardsPresent);
  EXPECT_TRUE(observer.lines.empty());  // no device-node query without a card

  system.AddDevice(sim::Dir::Out, 190, 6, "S/PDIF Playback I");
  system.AddDevice(sim::Dir::Out, 190, 6, "S/PDIF Playback II");
  // Devices named by hand are the card's own: the device-node query reads them.
  DiscoverCards(table);
  EXPECT_EQ(table.RecDeviceCount + table.PlayDeviceCount, 11);
  EXPECT_EQ(table.CardCount, 1);
  EXPECT_TRUE(table.CardsPresent);
  EXPECT_EQ(table.CardDevNodes[0], system.Card(0).devnode);
}

TEST_F(Discovery, WrongProductsAndUnnumberedSpdifAreIgnored) {
  system.AddDevice(sim::Dir::In, 190, 6, "Analog Record 9-10");
  system.AddDevice(sim::Dir::Out, 190, 5, "Analog Playback 9-10");
  system.AddDevice(sim::Dir::In, 190, 5, "S/PDIF Record");
  system.AddDevice(sim::Dir::In, 190, 5, "S/PDIF Record IIII");
  system.AddDevice(sim::Dir::In, 190, 5, "Analog Record 65-66");  // slot 40: outside the table
  DiscoverCards(table);
  EXPECT_EQ(table.RecDeviceCount, 6);
  EXPECT_EQ(table.RecDeviceIds[14], 8);  // IIII reads as III
  EXPECT_EQ(table.RecDeviceIds[5], 0);
  EXPECT_EQ(table.PlayDeviceCount, 5);
}

TEST_F(Discovery, ABadNameEndsDiscoveryWithWhatWasFound) {
  table.CardCount = 3;  // from an earlier discovery
  system.AddDevice(sim::Dir::In, 190, 5, "Analog Record 12");
  EXPECT_THROW(DiscoverCards(table), ui::EConvertError);
  EXPECT_EQ(table.RecDeviceCount, 5);
  EXPECT_EQ(table.PlayDeviceCount, 0);
  EXPECT_EQ(table.CardCount, 3);
  EXPECT_TRUE(table.CardsPresent);
  EXPECT_EQ(table.CardDevNodes[0], 0u);
}

TEST_F(Discovery, MoreThanFourCardsAreLimitedToFour) {
  system.SetCards(6);
  DiscoverCards(table);
  EXPECT_EQ(table.RecDeviceCount, 28);  // "S/PDIF Record V" and "VI" are not recognised
  EXPECT_EQ(table.CardCount, 4);
  EXPECT_EQ(observer.With("open").size(), 4u);  // device nodes of the first four only
  EXPECT_EQ(table.CardDevNodes[3], system.Card(3).devnode);
  EXPECT_EQ(table.RecDeviceIds[25], table.RecDeviceIds[20] + 5);  // card 6's devices recorded
}

TEST_F(Discovery, NoMemoryForTheDeviceNodeLeavesNodesZero) {
  system.SetArenaLimit(0);
  DiscoverCards(table);
  EXPECT_EQ(table.CardCount, 1);
  EXPECT_EQ(table.CardDevNodes[0], 0u);
  EXPECT_TRUE(observer.lines.empty());
}

TEST_F(Discovery, AFailedDeviceNodeOpenAbortsAndReleasesTheWord) {
  AddCardDevices(1, "II", false);  // card 1 is named but its devices refuse control handles
  EXPECT_THROW(DiscoverCards(table), ui::EAbort);
  EXPECT_EQ(table.CardCount, 2);
  EXPECT_EQ(table.CardDevNodes[0], system.Card(0).devnode);
  EXPECT_EQ(table.CardDevNodes[1], 0u);
  EXPECT_EQ(system.arena().BlockCount(), 0u);
  EXPECT_EQ(system.OpenHandleCount(sim::Dir::Out), 0u);
}

}  // namespace
}  // namespace driver
