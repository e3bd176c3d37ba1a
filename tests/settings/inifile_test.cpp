#include "settings/inifile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/tempdir.h"
#include "platform/windir.h"
#include "ui/exceptions.h"

namespace settings {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  testing_support::TempWindowsDir tmp_{"inifile"};
  const fs::path& dir_ = tmp_.path();

  void Put(const std::string& content) { tmp_.Put(content); }
  std::string Content() const { return tmp_.Content(); }
};

TEST_F(IniFileTest, ReadsIntegersAndBooleansLikeTheWindowsDo) {
  Put("[Morva]\nhex=0x1F\nHEX=$ff\nup=0X10\nneg=-12\nplus=+7\nbad=abc\ntail=12ab\nempty=\n"
      "big=2147483648\nmin=-2147483648\nall=$FFFFFFFF\nquoted=\"42\"\nbare=0x\non=1\noff=0\n"
      "two=2\n");
  TIniFile ini("Vozururo.ini");
  EXPECT_EQ(ini.ReadInteger("Morva", "hex", 5), 31);
  EXPECT_EQ(ini.ReadInteger("Morva", "up", 5), 16);
  EXPECT_EQ(ini.ReadInteger("Morva", "neg", 5), -12);
  EXPECT_EQ(ini.ReadInteger("Morva", "plus", 5), 7);
  EXPECT_EQ(ini.ReadInteger("Morva", "min", 5), -2147483647 - 1);
  EXPECT_EQ(ini.ReadInteger("Morva", "all", 5), -1);
  EXPECT_EQ(ini.ReadInteger("Morva", "quoted", 5), 42);
  for (const char* fallback : {"bad", "tail", "empty", "big", "bare", "missing"}) {
    EXPECT_EQ(ini.ReadInteger("Morva", fallback, 5), 5) << fallback;
  }
  EXPECT_EQ(ini.ReadInteger("Nowhere", "hex", -3), -3);
  EXPECT_TRUE(ini.ReadBool("Morva", "on", false));
  EXPECT_TRUE(ini.ReadBool("Morva", "two", false));
  EXPECT_FALSE(ini.ReadBool("Morva", "off", true));
  EXPECT_TRUE(ini.ReadBool("Morva", "bad", true));
  EXPECT_FALSE(ini.ReadBool("Morva", "missing", false));
}

TEST_F(IniFileTest, CutsLongTextsTo2047Characters) {
  Put("[Digital Input]\nedName=" + std::string(3000, 'a') + "\nshort=abc\n");
  TIniFile ini("Vozururo.ini");
  EXPECT_EQ(ini.ReadString("Digital Input", "edName", ""), std::string(2047, 'a'));
  EXPECT_EQ(ini.ReadString("Digital Input", "short", ""), "abc");
  EXPECT_EQ(ini.ReadString("Digital Input", "none", std::string(2100, 'd')).size(), 2047u);
  // A cut never splits a character in two.
  Put("[x]\nk=" + std::string(2046, 'a') + "ä\n");
  EXPECT_EQ(TIniFile("Vozururo.ini").ReadString("x", "k", ""), std::string(2046, 'a'));
}

TEST_F(IniFileTest, OneOperationWritesOnceAndListsAllSections) {
  Put("[Analog Outputs]\r\nchkFader=0\r\n[Analog Outputs Live]\r\nscrOut1=3\r\n");
  {
    TIniFile ini("Vozururo.ini");
    ini.WriteBool("Analog Outputs", "chkFader", true);
    ini.WriteInteger("Analog Outputs", "Top", -20);
    ini.WriteString("Analog Outputs", "edName", "Bühne");
    ini.EraseSection("analog outputs live");
    EXPECT_EQ(Content(),
              "[Analog Outputs]\r\nchkFader=0\r\n[Analog Outputs Live]\r\nscrOut1=3\r\n");
    ini.UpdateFile();
  }
  EXPECT_EQ(Content(), "[Analog Outputs]\r\nchkFader=1\r\nTop=-20\r\nedName=Bühne\r\n");
  {
    TIniFile ini("Vozururo.ini");
    ini.WriteString("Morva Live", "chkStayOnTop", "1");
    ini.DeleteKey("Analog Outputs", "Top");
  }  // pending edits are written when the object goes away
  TIniFile ini("Vozururo.ini");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Analog Outputs", "Morva Live"}));
  EXPECT_EQ(ini.ReadInteger("Analog Outputs", "Top", 99), 99);
}

TEST_F(IniFileTest, FailedWriteRaisesWithTheFileNameAndLosesNothing) {
  Put("[Morva]\r\nTop=1\r\n");
  std::ofstream(dir_ / "blocker") << "x";
  {
    platform::SetWindowsDirectory(dir_ / "blocker");
    TIniFile ini("Vozururo.ini");
    ini.WriteInteger("Morva", "Top", 2);
    try {
      ini.UpdateFile();
      FAIL() << "no error raised";
    } catch (const ui::EIniFileException& e) {
      EXPECT_STREQ(e.what(), "nach Vozururo.ini kann nicht geschrieben werden");
    }
    platform::SetWindowsDirectory(dir_);
  }
  EXPECT_EQ(Content(), "[Morva]\r\nTop=1\r\n");
}

TEST_F(IniFileTest, RefusedValueKeepsWhatWasWrittenBefore) {
  TIniFile ini("Vozururo.ini");
  ini.WriteInteger("Analog Inputs Live", "Slider1", 100);
  EXPECT_THROW(ini.WriteString("Analog Inputs Live", "edName", "two\r\nlines"),
               ui::EIniFileException);
  EXPECT_THROW(ini.WriteString("Analog Inputs [x]", "Slider1", "1"), ui::EIniFileException);
  EXPECT_EQ(Content(), "[Analog Inputs Live]\r\nSlider1=100\r\n");
}

}  // namespace
}  // namespace settings
