// Status codes turned into message boxes, byte for byte.
#include <gtest/gtest.h>

#include "driver/status.h"
#include "platform/sim_fixture.h"

namespace driver {
namespace {

using testing_support::SimPlatformTest;

const std::string kRow22 =
    "Die Playcounter der Morva laufen nicht. \r\nKeine Audiofunktionen auf diesem Gerät "
    "verfügbar.";
const std::string kCardInit22 =
    "Die Hardware der Morva Karte #1 konnte nicht initialisiert werden. \r\n" + kRow22;

std::size_t CodePoints(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

TEST(StatusTexts, BuildersPutCardOrDeviceInFront) {
  EXPECT_EQ(StatusCardInitText(1, kRow22), kCardInit22);
  EXPECT_EQ(StatusCardInitText(12, "x"),
            "Die Hardware der Morva Karte #12 konnte nicht initialisiert werden. \r\nx");
  EXPECT_EQ(StatusDeviceOpenText("T"),
            "Das Gerät  konnte nicht geöffnet werden. \r\nT\r\nKeine Audiofunktionen auf "
            "diesem Gerät verfügbar.");
  const StatusDevice dev{"Analog Playback 1-2", 48000, 44100};
  EXPECT_EQ(StatusDeviceOpenText("T", &dev),
            "Das Gerät \"Analog Playback 1-2\" konnte nicht geöffnet werden. \r\nT\r\nKeine "
            "Audiofunktionen auf diesem Gerät verfügbar.");
  const char* row52 = FindStatusRow(-52)->text;
  EXPECT_EQ(StatusDeviceFormatText(row52), row52);  // placeholders stay without a device
  EXPECT_EQ(StatusDeviceFormatText(row52, &dev),
            "Die für das Gerät \"Analog Playback 1-2\" geforderte Samplerate von 48000 Hz stimmt "
            "nicht mit der des angeschlossenen und Clock Generators (44100 Hz) überein.");
  const StatusDevice tricky{"%s%d%n", 1, 2};  // a name is never read as a format
  EXPECT_EQ(StatusDeviceFormatText("%s|%d|%d|%%|%x", &tricky), "%s%d%n|1|2|%|%x");
}

TEST(StatusTexts, TableRowsAndTheDefaultRow) {
  EXPECT_EQ(FindStatusRow(1), nullptr);
  EXPECT_EQ(FindStatusRow(0), nullptr);
  EXPECT_EQ(FindStatusRow(-50), nullptr);
  for (std::int32_t code : {2, -9, -12, -16, -32, -48, -62, -100}) {
    const auto m = DriverStatusMessage(0, code);
    ASSERT_TRUE(m.has_value()) << code;
    EXPECT_EQ(m->text, "Undefined ErrId") << code;
    EXPECT_EQ(m->caption, "Internal Error");
    EXPECT_EQ(m->flags, 0x10u);
  }
  for (std::int32_t code = -61; code <= -1; ++code) {
    if (code == -50) continue;
    EXPECT_NE(FindStatusRow(code), nullptr) << code;
  }
  EXPECT_EQ(FindStatusRow(-52)->flags, 0x40u);
  EXPECT_STREQ(FindStatusRow(-58)->caption, "Morva Initialisierungsfehler");
  // The longest text, code -5 in its device-open form, is 246 characters.
  EXPECT_EQ(CodePoints(DriverStatusMessage(1, -5)->text), 246u);
  EXPECT_EQ(DriverStatusMessage(0, -27)->text,
            "Der Morva Treiber konnte nicht initialisiert werden. \r\nFalsche Version des Moduls "
            "Morva.VXD\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.");
}

class StatusBoxes : public SimPlatformTest {
 protected:
  void Check(std::int32_t s, std::int32_t c0, std::int32_t c1, std::int32_t c2, std::int32_t c3) {
    DriverStates states;
    states.Status = s;
    states.CardStatus = {c0, c1, c2, c3};
    CheckDriverStates(states);
  }
};

TEST_F(StatusBoxes, WorkingDriverShowsNothing) {
  Check(1, 1, 1, 0, 0);
  EXPECT_TRUE(boxes().empty());
  Check(-17, -22, -3, 0, 0);  // the kernel module is missing: nothing at all
  EXPECT_TRUE(boxes().empty());
}

TEST_F(StatusBoxes, ACardCodeEqualToTheDriverCodeShowsOnce) {
  Check(-22, -22, 0, 0, 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Morva Initialisierungsfehler");
  EXPECT_EQ(boxes()[0].text, kCardInit22);
  EXPECT_EQ(boxes()[0].flags, 0x10u);
  EXPECT_EQ(boxes()[0].owner, nullptr);
}

TEST_F(StatusBoxes, ADifferingDriverCodeComesFirstForCardZero) {
  Check(-22, 1, -22, 0, 0);
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[0].text,
            "Die Hardware der Morva Karte #0 konnte nicht initialisiert werden. \r\n" + kRow22);
  EXPECT_EQ(boxes()[1].text,
            "Die Hardware der Morva Karte #2 konnte nicht initialisiert werden. \r\n" + kRow22);
}

TEST_F(StatusBoxes, WrongKernelModuleVersionIgnoresTheCards) {
  Check(-27, -22, -3, 0, 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Morva Initialisierungsfehler");
}

TEST_F(StatusBoxes, DeviceOpenCodeWithoutDeviceHasTwoBlanks) {
  Check(-55, 0, 0, 0, 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Morva Fehler");
  EXPECT_EQ(boxes()[0].text,
            "Das Gerät  konnte nicht geöffnet werden. \r\nGleichzeitige Aufnahme und Wiedergabe "
            "nicht möglich.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.");
  EXPECT_EQ(observer.lines.size(), 1u);
  EXPECT_EQ(observer.lines[0].rfind("box \"Morva Fehler\" 0x10 \"Das Gerät  konnte", 0), 0u);
}

TEST_F(StatusBoxes, FourCardCodesShowFourBoxesAndAFifthIsNeverReported) {
  Check(1, -2, -3, -4, -31);
  ASSERT_EQ(boxes().size(), 4u);
  EXPECT_EQ(boxes()[0].text.substr(0, 32), "Die Hardware der Morva Karte #1 ");
  EXPECT_EQ(boxes()[3].text.substr(0, 32), "Die Hardware der Morva Karte #4 ");
  EXPECT_EQ(boxes()[0].caption, "Morva Fehler");
  EXPECT_EQ(boxes()[3].caption, "Morva Initialisierungsfehler");
}

TEST_F(StatusBoxes, WarningsUseTheInformationIconAndCodesOfOneAreSkipped) {
  Check(1, 1, -52, 1, -50);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].flags, 0x40u);
  EXPECT_EQ(boxes()[0].caption, "Morva Warnung");
  EXPECT_NE(boxes()[0].text.find("\"%s\""), std::string::npos);
  EXPECT_FALSE(ShowDriverStatus(1, 1));
  EXPECT_TRUE(ShowDriverStatus(3, 2));
  EXPECT_EQ(boxes().back().text, "Undefined ErrId");
}

}  // namespace
}  // namespace driver
