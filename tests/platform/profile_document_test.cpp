#include "platform/profile_document.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

std::string ReadOr(const ProfileDocument& doc, const char* section, const char* key) {
  return doc.Read(section, key).value_or("<missing>");
}

TEST(ProfileDocumentRead, FollowsTheRulesOfHandEditedFiles) {
  const auto doc = ProfileDocument::Parse(
      "; leading comment\r\n"
      " \t[ Analog Outputs ] trailing text\r\n"
      "  chkPeakMeter \t=\t 1  \r\n"
      "Mixed=ValUe\r\n"
      "   ;scrOut1=99\r\n"
      "note=v ;x\r\n"
      "no equals sign here\r\n"
      "chkPeakMeter=0\r\n"
      "dq=\"quoted value\"\r\n"
      "sq=  'single'  \r\n"
      "half=\"open\r\n"
      "twice=\"\"a\"\"\r\n"
      "mixedq=\"a'\r\n"
      "[Open Bracket\r\n"
      "k=open\r\n"
      "[analog outputs]\r\n"
      "Mixed=second section loses\r\n"
      "Extra=seen only here\r\n");
  EXPECT_EQ(ReadOr(doc, "analog OUTPUTS", "CHKPEAKMETER"), "1");  // trimmed, any case, first wins
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "mixed"), "ValUe");     // value keeps its case
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "scrOut1"), "<missing>");  // comment
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", ";scrOut1"), "<missing>");
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "note"), "v ;x");
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "no equals sign here"), "<missing>");
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "dq"), "quoted value");
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "sq"), "single");
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "half"), "\"open");
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "twice"), "\"a\"");  // only one pair goes
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "mixedq"), "\"a'");
  EXPECT_EQ(ReadOr(doc, "Open Bracket", "k"), "open");
  EXPECT_EQ(ReadOr(doc, "Analog Outputs", "Extra"), "<missing>");  // duplicate section hidden
  EXPECT_EQ(ReadOr(doc, "ANALOG OUTPUTS ", "chkPeakMeter"), "1");
}

TEST(ProfileDocumentRead, MatchesAccentedNamesWithoutRegardToCase) {
  const auto doc = ProfileDocument::Parse("[Morva Über]\nLautstärke=3\n");
  EXPECT_EQ(ReadOr(doc, "MORVA üBER", "LAUTSTÄRKE"), "3");
}

TEST(ProfileDocumentList, ListsSectionsInFileOrderWithDuplicates) {
  const auto doc = ProfileDocument::Parse("k=before\n[Morva]\n[Analog Inputs Live]\n[ morva ]\n");
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"Morva", "Analog Inputs Live", "morva"}));
  EXPECT_FALSE(ProfileDocument::Parse("k=before any section\n").Read("", "k"));
}

TEST(ProfileDocumentWrite, NewFileUsesCrLf) {
  ProfileDocument doc;
  EXPECT_EQ(doc.Write("Morva", "Top", "10"), ProfileEdit::kChanged);
  EXPECT_EQ(doc.Write("Morva", "Left", "20"), ProfileEdit::kChanged);
  EXPECT_EQ(doc.Write("Digital Input", "pnChecks", "1"), ProfileEdit::kChanged);
  EXPECT_EQ(doc.Serialize(), "[Morva]\r\nTop=10\r\nLeft=20\r\n[Digital Input]\r\npnChecks=1\r\n");
}

TEST(ProfileDocumentWrite, RewritesInPlaceAndAddsAfterLastKey) {
  auto doc = ProfileDocument::Parse(
      "; my presets\n"
      "[Analog Outputs]\n"
      "ChkFader = 1\n"
      "; about the links\n"
      "chkLink12=1\n"
      "\n"
      "; tail comment\n"
      "[Morva]\n"
      "Top=1");
  EXPECT_EQ(doc.Write("analog outputs", "chkfader", "0"), ProfileEdit::kChanged);
  EXPECT_EQ(doc.Write("Analog Outputs", "chkLink34", "1"), ProfileEdit::kChanged);
  EXPECT_EQ(doc.Write("Analog Outputs", "chkLink12", "1"), ProfileEdit::kUnchanged);
  EXPECT_EQ(doc.Write("Morva", "Left", "2"), ProfileEdit::kChanged);
  EXPECT_EQ(doc.Write("Analog Outputs Live", "chkFader", "1"), ProfileEdit::kChanged);
  EXPECT_EQ(doc.Serialize(),
            "; my presets\n"
            "[Analog Outputs]\n"
            "ChkFader = 0\n"
            "; about the links\n"
            "chkLink12=1\n"
            "chkLink34=1\n"
            "\n"
            "; tail comment\n"
            "[Morva]\n"
            "Top=1\n"
            "Left=2\n"
            "[Analog Outputs Live]\n"
            "chkFader=1\n");
}

TEST(ProfileDocumentWrite, NewSectionFollowsALineBreak) {
  auto doc = ProfileDocument::Parse("; only a comment without line end");
  doc.Write("Morva", "Hints", "0");
  EXPECT_EQ(doc.Serialize(), "; only a comment without line end\r\n[Morva]\r\nHints=0\r\n");
  auto cr = ProfileDocument::Parse("[a]\rk=1\r");
  cr.Write("a", "n", "2");
  EXPECT_EQ(cr.Serialize(), "[a]\rk=1\rn=2\r");
}

TEST(ProfileDocumentWrite, RefusesNamesAndValuesThatWouldBreakTheFile) {
  auto doc = ProfileDocument::Parse("[Morva]\r\nTop=1\r\n");
  for (const char* bad : {"a\nb", "a\rb", "[x", "x]", "a=b", ";x", "", "  "}) {
    EXPECT_EQ(doc.Write(bad, "k", "v"), ProfileEdit::kRefused) << bad;
    EXPECT_EQ(doc.Write("Morva", bad, "v"), ProfileEdit::kRefused) << bad;
  }
  EXPECT_EQ(doc.Write("Morva", "k", "one\r\n[Evil]\r\nx=1"), ProfileEdit::kRefused);
  EXPECT_EQ(doc.Serialize(), "[Morva]\r\nTop=1\r\n");
}

TEST(ProfileDocumentErase, RemovesKeyLinesAndKeepsComments) {
  auto doc = ProfileDocument::Parse(
      "[Morva]\n"
      "Top=1\n"
      "[Analog Inputs Live]\n"
      "; chosen for the concert\n"
      "Slider1=5\n"
      "Slider1=6\n"
      "\n"
      "[Analog Inputs Live]\n"
      "Slider1=7\n");
  EXPECT_EQ(doc.EraseKey("analog inputs live", "SLIDER1"), ProfileEdit::kChanged);
  EXPECT_EQ(ReadOr(doc, "Analog Inputs Live", "Slider1"), "6");  // the second one surfaces
  EXPECT_EQ(doc.EraseKey("Morva", "Missing"), ProfileEdit::kUnchanged);
  EXPECT_EQ(doc.EraseSection("Analog Inputs Live"), ProfileEdit::kChanged);
  EXPECT_EQ(ReadOr(doc, "Analog Inputs Live", "Slider1"), "7");
  EXPECT_EQ(doc.EraseSection("Nothing"), ProfileEdit::kUnchanged);
  // The kept comment now belongs to the section before it; new keys go above it.
  doc.Write("Morva", "Left", "2");
  EXPECT_EQ(doc.Serialize(),
            "[Morva]\n"
            "Top=1\n"
            "Left=2\n"
            "; chosen for the concert\n"
            "\n"
            "[Analog Inputs Live]\n"
            "Slider1=7\n");
}

TEST(ProfileDocumentRoundTrip, ReadsEveryLineEndAndKeepsUntouchedBytes) {
  const std::string content = "junk\n[a] x\r\n k = \"v\" \r;c\n\nw=2\n[b\rz=1";
  const auto doc = ProfileDocument::Parse(content);
  EXPECT_EQ(ReadOr(doc, "a", "k"), "v");
  EXPECT_EQ(ReadOr(doc, "a", "w"), "2");
  EXPECT_EQ(ReadOr(doc, "b", "z"), "1");
  EXPECT_EQ(doc.Serialize(), content);
}

std::string Utf16(std::string_view ascii, bool big_endian) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) {
    out += big_endian ? '\0' : c;
    out += big_endian ? c : '\0';
  }
  return out;
}

// A UTF-8 mark is skipped on reading and kept on writing: the first section
// is found and edited, no second one is appended.
TEST(ProfileDocumentMarks, Utf8MarkIsSkippedAndKept) {
  auto doc = ProfileDocument::Parse("\xEF\xBB\xBF[Morva]\r\nTop=1\r\n[Analog Inputs]\r\nx=2\r\n");
  EXPECT_EQ(doc.encoding(), ProfileEncoding::kUtf8Bom);
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"Morva", "Analog Inputs"}));
  EXPECT_EQ(ReadOr(doc, "Morva", "Top"), "1");
  doc.Write("Morva", "Top", "5");
  doc.Write("Digital Input", "pnChecks", "1");
  EXPECT_EQ(doc.Serialize(),
            "\xEF\xBB\xBF[Morva]\r\nTop=5\r\n[Analog Inputs]\r\nx=2\r\n[Digital "
            "Input]\r\npnChecks=1\r\n");
  EXPECT_EQ(ProfileDocument::Parse("\xEF\xBB\xBF").Serialize(), "\xEF\xBB\xBF");
}

// A UTF-16 file (either byte order, by its mark) is read as text and
// written back as UTF-16 with its own line ends; untouched bytes survive,
// unpaired surrogates and an odd last byte included.
TEST(ProfileDocumentMarks, Utf16FilesAreReadAndWrittenAsUtf16) {
  for (bool be : {false, true}) {
    const std::string file = Utf16("[Morva]\r\nTop=1\r\n[Analog Outputs]\r\nchkFader=0\r\n", be);
    auto doc = ProfileDocument::Parse(file);
    EXPECT_EQ(doc.encoding(), be ? ProfileEncoding::kUtf16BE : ProfileEncoding::kUtf16LE);
    EXPECT_EQ(ReadOr(doc, "analog outputs", "chkFader"), "0");
    EXPECT_EQ(doc.Serialize(), file);
    doc.Write("Morva", "Top", "2");
    doc.Write("Morva Live", "Hints", "1");
    EXPECT_EQ(doc.Serialize(), Utf16("[Morva]\r\nTop=2\r\n[Analog Outputs]\r\nchkFader=0\r\n"
                                     "[Morva Live]\r\nHints=1\r\n",
                                     be));
    EXPECT_EQ(doc.SerializedSize(), doc.Serialize().size());
  }
  // Non-ASCII text both ways: "Lautstärke" and a character beyond 16 bits.
  const std::string le = std::string("\xFF\xFE[\0a\0]\0\n\0k\0=\0\xE4\0\x3D\xD8\x00\xDE", 20);
  auto doc = ProfileDocument::Parse(le);
  EXPECT_EQ(ReadOr(doc, "a", "k"), "\xC3\xA4\xF0\x9F\x98\x80");
  doc.Write("a", "k", "\xC3\xA4\xF0\x9F\x98\x80");
  EXPECT_EQ(doc.Serialize(), le);
  const std::string odd = std::string("\xFF\xFE[\0b\0]\0\n\0\x00\xD8k\0=\0x\0\x41", 19);
  EXPECT_EQ(ProfileDocument::Parse(odd).Serialize(), odd);
  EXPECT_EQ(ProfileDocument::Parse(std::string("\xFE\xFF\xDC\x00", 4)).Serialize(),
            std::string("\xFE\xFF\xDC\x00", 4));
}

// Large documents: many sections, duplicates found in order after an
// erase, long sections looked up through their index.
TEST(ProfileDocumentLarge, DuplicatesAndLongSectionsStayExact) {
  std::string content;
  for (int i = 0; i < 3000; ++i)
    content += "[S" + std::to_string(i % 1000) + "]\nk=" + std::to_string(i) + "\n";
  content += "[Long]\n";
  for (int i = 0; i < 2000; ++i)
    content += "Key" + std::to_string(i % 1500) + "=" + std::to_string(i) + "\n";
  auto doc = ProfileDocument::Parse(content);
  EXPECT_EQ(ReadOr(doc, "s7", "K"), "7");
  EXPECT_EQ(doc.EraseSection("S7"), ProfileEdit::kChanged);
  EXPECT_EQ(ReadOr(doc, "S7", "k"), "1007");
  EXPECT_EQ(doc.EraseSection("S7"), ProfileEdit::kChanged);
  EXPECT_EQ(ReadOr(doc, "S7", "k"), "2007");
  EXPECT_EQ(doc.EraseSection("S7"), ProfileEdit::kChanged);
  EXPECT_FALSE(doc.HasSection("S7"));
  EXPECT_EQ(ReadOr(doc, "long", "key1499"), "1499");
  EXPECT_EQ(ReadOr(doc, "long", "KEY3"), "3");  // the first of two wins
  EXPECT_EQ(doc.Write("Long", "Key3", "3"), ProfileEdit::kUnchanged);
  EXPECT_EQ(doc.Write("Long", "Key3", "x"), ProfileEdit::kChanged);
  EXPECT_EQ(ReadOr(doc, "Long", "Key3"), "x");
  const ProfileDocument copy = doc;
  doc.Write("Long", "Key4", "y");
  EXPECT_EQ(ReadOr(copy, "Long", "Key4"), "4");
  EXPECT_EQ(ProfileDocument::Parse(doc.Serialize()).Serialize(), doc.Serialize());
}

}  // namespace
}  // namespace platform
