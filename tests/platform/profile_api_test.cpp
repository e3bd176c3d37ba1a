#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/tempdir.h"
#include "platform/profile.h"
#include "platform/profile_file.h"
#include "platform/winbase.h"
#include "platform/windir.h"

namespace {

namespace fs = std::filesystem;
constexpr LPCSTR kIni = "Vozururo.ini";

class ProfileApiTest : public ::testing::Test {
 protected:
  testing_support::TempWindowsDir tmp_{"profile_api"};
  const fs::path& dir_ = tmp_.path();

  std::string Content() const { return tmp_.Content(); }
  std::string Get(LPCSTR section, LPCSTR key, LPCSTR def = "<d>") const {
    char buf[64];
    const DWORD n = GetPrivateProfileStringA(section, key, def, buf, sizeof buf, kIni);
    return std::string(buf, n);
  }
  static std::vector<std::string> Split(const char* list) {
    std::vector<std::string> out;
    for (const char* p = list; *p; p += out.back().size() + 1) out.emplace_back(p);
    return out;
  }
};

TEST_F(ProfileApiTest, BareNameLivesInTheWindowsDirectory) {
  EXPECT_EQ(platform::ProfilePath(kIni), dir_ / kIni);
  EXPECT_EQ(platform::ProfilePath("/elsewhere/x.ini"), fs::path("/elsewhere/x.ini"));
  platform::SetWindowsDirectory({});
  EXPECT_EQ(platform::WindowsDirectory().filename(), "morva");
}

TEST_F(ProfileApiTest, WriteReadEraseAsOneShotOperations) {
  EXPECT_EQ(Get("Morva", "Top"), "<d>");
  EXPECT_EQ(Get("Morva", "Top", "fallback  "), "fallback");  // trailing blanks of a default go
  EXPECT_EQ(Get("Morva", "Top", nullptr), "");
  ASSERT_TRUE(WritePrivateProfileStringA("Morva", "Top", "10", kIni));
  ASSERT_TRUE(WritePrivateProfileStringA("Morva", "Left", "20", kIni));
  ASSERT_TRUE(WritePrivateProfileStringA("Analog Outputs", "chkFader", "1", kIni));
  EXPECT_EQ(Content(), "[Morva]\r\nTop=10\r\nLeft=20\r\n[Analog Outputs]\r\nchkFader=1\r\n");
  EXPECT_EQ(Get("MORVA", "top"), "10");
  EXPECT_TRUE(WritePrivateProfileStringA("Morva", "Top", nullptr, kIni));
  EXPECT_TRUE(WritePrivateProfileStringA("Morva", "Never there", nullptr, kIni));
  EXPECT_TRUE(WritePrivateProfileStringA("Analog Outputs", nullptr, nullptr, kIni));
  EXPECT_EQ(Content(), "[Morva]\r\nLeft=20\r\n");
  EXPECT_TRUE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, kIni));  // flush
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", kIni));
  EXPECT_FALSE(WritePrivateProfileStringA("Morva", "a=b", "v", kIni));
  EXPECT_FALSE(WritePrivateProfileStringA("Morva]\r\n[X", "k", "v", kIni));
  EXPECT_EQ(Content(), "[Morva]\r\nLeft=20\r\n");
}

TEST_F(ProfileApiTest, CutsValuesAndListsToTheBuffer) {
  WritePrivateProfileStringA("Morva", "Name", "0123456789", kIni);
  WritePrivateProfileStringA("Morva", "Other", "x", kIni);
  char buf[8];
  EXPECT_EQ(GetPrivateProfileStringA("Morva", "Name", "", buf, sizeof buf, kIni), 7u);
  EXPECT_STREQ(buf, "0123456");
  EXPECT_EQ(GetPrivateProfileStringA("Morva", "Name", "", buf, 0, kIni), 0u);
  char keys[32];
  EXPECT_EQ(GetPrivateProfileStringA("Morva", nullptr, "", keys, sizeof keys, kIni), 11u);
  EXPECT_EQ(Split(keys), (std::vector<std::string>{"Name", "Other"}));
  char fits[8];
  EXPECT_EQ(GetPrivateProfileSectionNamesA(fits, sizeof fits, kIni), 6u);
  EXPECT_EQ(std::string(fits, 7), std::string("Morva\0\0", 7));
  char cut[6];
  EXPECT_EQ(GetPrivateProfileSectionNamesA(cut, sizeof cut, kIni), 4u);
  EXPECT_EQ(std::string(cut, 6), std::string("Morv\0\0", 6));
}

TEST_F(ProfileApiTest, ListCornersAndLastErrorsAsWindowsHasThem) {
  char buf[32];
  std::memset(buf, 'x', sizeof buf);
  SetLastError(0);
  EXPECT_EQ(GetPrivateProfileSectionNamesA(buf, sizeof buf, kIni), 0u);
  EXPECT_EQ(std::string(buf, 2), std::string("\0x", 2));  // one NUL, the next byte untouched
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  SetLastError(0);
  EXPECT_EQ(Get("Morva", "Top"), "<d>");
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  // Erasing from a missing file succeeds and leaves an empty file.
  EXPECT_TRUE(WritePrivateProfileStringA("Morva", "Top", nullptr, kIni));
  EXPECT_TRUE(fs::exists(dir_ / kIni));
  EXPECT_EQ(Content(), "");
  fs::remove(dir_ / kIni);
  EXPECT_TRUE(WritePrivateProfileStringA("Morva", nullptr, nullptr, kIni));
  EXPECT_EQ(Content(), "");

  // A buffer exactly as long as the whole list is already too small.
  for (const char* s : {"section1", "section2", "section3"})
    WritePrivateProfileStringA(s, "k", "v", kIni);
  const std::string whole("section1\0section2\0section3\0\0", 28);
  for (DWORD size : {29u, 28u, 27u}) {
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetPrivateProfileSectionNamesA(buf, size, kIni), size - 2) << size;
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buf, size, kIni), size - 2) << size;
    const std::size_t shown = std::min<std::size_t>(size, whole.size());
    EXPECT_EQ(std::string(buf, shown), whole.substr(0, shown - 2) + std::string(2, '\0')) << size;
  }

  // A refused write says why.
  platform::SetWindowsDirectory(dir_ / kIni);  // a file where the directory should be
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringA("Morva", "Top", "1", kIni));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringA("Morva", "Top", nullptr, kIni));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(ProfileApiTest, SectionListSeesEverySection) {
  std::ofstream out(dir_ / kIni, std::ios::binary);
  std::vector<std::string> expected;
  for (int i = 0; i < 2000; ++i) {
    expected.push_back("Analog Outputs Preset number " + std::to_string(i));
    out << "[" << expected.back() << "]\r\nchkFader=1\r\n";
  }
  out << "[morva]\r\n[Morva]\r\n";
  out.close();
  expected.insert(expected.end(), {"morva", "Morva"});
  EXPECT_EQ(platform::ProfileFile(platform::ProfilePath(kIni)).SectionNames(), expected);

  std::vector<char> old_buffer(16384);
  const DWORD n = GetPrivateProfileSectionNamesA(old_buffer.data(), 16384, kIni);
  EXPECT_EQ(n, 16382u);  // the old buffer is cut and says so
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", old_buffer.data(), 16384, kIni), n);
  EXPECT_EQ(Split(old_buffer.data()).front(), expected.front());
}

TEST_F(ProfileApiTest, FailedWriteReportsFailureAndTheFileSurvives) {
  ASSERT_TRUE(WritePrivateProfileStringA("Morva", "Top", "1", kIni));
  std::ofstream(dir_ / "blocker") << "x";
  platform::SetWindowsDirectory(dir_ / "blocker");
  EXPECT_FALSE(WritePrivateProfileStringA("Morva", "Top", "2", kIni));
  platform::SetWindowsDirectory(dir_);
  EXPECT_EQ(Get("Morva", "Top"), "1");
}

}  // namespace
