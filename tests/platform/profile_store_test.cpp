// The settings store against what lies in the file's place, a kill in the
// middle of an in-place rewrite, stale temporary files, and the picture
// kept in memory.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/tempdir.h"
#include "platform/profile.h"
#include "platform/profile_file.h"
#include "platform/windir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::Get;
using testing_support::Put;

class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = platform::MakeTemporaryFolder("profile_store");
    journals_ = dir_ / "journal";
    path_ = dir_ / "Vozururo.ini";
    SetJournalDirectory(journals_);
    ForgetKeptProfile();
  }
  void TearDown() override {
    SetJournalDirectory({});
    SetWindowsDirectoryFault(DiskFault::kNone);
    ForgetKeptProfile();
    fs::remove_all(dir_);
  }
  std::vector<std::string> Entries(const fs::path& dir) const {
    std::vector<std::string> names;
    if (!fs::exists(dir)) return names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Many presets: more than one 64 KiB piece of an in-place rewrite.
  static std::string Presets(int n, const std::string& tag = "") {
    std::string out;
    for (int p = 0; p < n; ++p) {
      out += "[Analog Outputs Preset " + std::to_string(p) + tag + "]\r\n";
      for (int k = 0; k < 20; ++k)
        out += "Slider" + std::to_string(k) + "=" + std::to_string(p * k) + "\r\n";
    }
    return out;
  }

  fs::path dir_;
  fs::path journals_;
  fs::path path_;
};

// Whatever sits under the file's name that is not a regular file is
// refused at once, as an unreadable file is: reads give the defaults, a
// save fails, nothing blocks and nothing endless is read. Run in a child
// with a time limit, so that a regression fails instead of hanging.
TEST_F(ProfileStoreTest, FifosDevicesAndDirectoriesAreRefusedWithoutBlocking) {
  auto attempt = [&](const std::function<void()>& place) {
    fs::remove_all(path_);
    place();
    EXPECT_EXIT(
        {
          ::alarm(5);
          ProfileFile file(path_);
          if (file.readable() || !file.exists()) std::_Exit(10);
          if (file.Read("Morva", "Top")) std::_Exit(11);
          file.Write("Morva", "Top", "1");
          if (file.Commit()) std::_Exit(12);
          char buffer[16];
          GetPrivateProfileStringA("Morva", "Top", "dflt", buffer, sizeof buffer, path_.c_str());
          if (std::string(buffer) != "dflt") std::_Exit(13);
          if (WritePrivateProfileStringA("Morva", "Top", "2", path_.c_str())) std::_Exit(14);
          std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
  };
  attempt([&] { ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0); });
  EXPECT_TRUE(fs::is_fifo(path_));  // never replaced by a save
  attempt([&] { fs::create_symlink("/dev/zero", path_); });
  attempt([&] { fs::create_symlink("/dev/null", path_); });
  attempt([&] { fs::create_directory(path_); });
  // A link to a regular file is read as before.
  fs::remove_all(path_);
  Put(dir_ / "real.ini", "[Morva]\r\nTop=4\r\n");
  fs::create_symlink(dir_ / "real.ini", path_);
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "4");
}

// Kills at every step of an in-place rewrite (a folder that takes no new
// files): the next open finds the old or the new content, never a torn
// file, and leaves no journal behind.
TEST_F(ProfileStoreTest, AnInPlaceRewriteKilledAtAnyStepIsCompletedAtTheNextOpen) {
  const std::string old_content = Presets(1000);
  ASSERT_GT(old_content.size(), 4u * 65536);
  struct Case {
    CommitStep step;
    int skip;  // how many times the step proceeds before the kill
    bool shorter;
  };
  std::vector<Case> cases;
  for (bool shorter : {false, true}) {
    for (CommitStep s :
         {CommitStep::kWriteJournal, CommitStep::kCutToLength, CommitStep::kRemoveJournal})
      cases.push_back({s, 0, shorter});
    for (int skip : {0, 1, 3}) cases.push_back({CommitStep::kWriteInPlace, skip, shorter});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "step " << static_cast<int>(c.step) << " after " << c.skip
                                      << (c.shorter ? " shorter" : " longer"));
    ForgetKeptProfile();
    Put(path_, old_content);
    std::string new_content;
    {
      ProfileFile file(path_);
      if (c.shorter) {
        for (int p = 0; p < 100; ++p)
          file.EraseSection("Analog Outputs Preset " + std::to_string(p));
      } else {
        for (int k = 0; k < 4000; ++k) file.Write("Morva Live", "Slider" + std::to_string(k), "1");
      }
      new_content = file.document().Serialize();
      int seen = 0;
      file.set_fault_hook([&](CommitStep step) {
        if (step == CommitStep::kCreateTemp) return CommitFault::kRefuse;
        if (step == c.step && seen++ == c.skip) return CommitFault::kAbandon;
        return CommitFault::kProceed;
      });
      EXPECT_FALSE(file.Commit());
    }
    const std::string torn = Get(path_);
    ProfileFile reopened(path_);
    const std::string now = Get(path_);
    EXPECT_TRUE(now == old_content || now == new_content) << now.size() << " bytes";
    EXPECT_EQ(reopened.document().Serialize(), now);
    if (torn != old_content && torn != new_content) {
      EXPECT_EQ(now, new_content);
    }
    EXPECT_EQ(Entries(journals_), std::vector<std::string>{});
    for (const std::string& name : Entries(dir_)) EXPECT_NE(name.front(), '.') << name;
  }
}

// An in-place rewrite that fails part-way (an I/O error) puts the old
// content back from its journal; a journal whose file was changed by
// someone else after the kill is dropped and the file left alone.
TEST_F(ProfileStoreTest, FailedRewritesRollBackAndForeignChangesAreLeftAlone) {
  const std::string old_content = Presets(600);
  Put(path_, old_content);
  {
    ProfileFile file(path_);
    file.EraseSection("Analog Outputs Preset 1");
    int pieces = 0;
    file.set_fault_hook([&](CommitStep step) {
      if (step == CommitStep::kCreateTemp) return CommitFault::kRefuse;
      if (step == CommitStep::kWriteInPlace && ++pieces == 3) return CommitFault::kFail;
      return CommitFault::kProceed;
    });
    EXPECT_FALSE(file.Commit());
    EXPECT_TRUE(file.dirty());
  }
  EXPECT_EQ(Get(path_), old_content);
  EXPECT_EQ(Entries(journals_), std::vector<std::string>{});

  {
    ProfileFile file(path_);
    file.EraseSection("Analog Outputs Preset 2");
    file.set_fault_hook([&](CommitStep step) {
      if (step == CommitStep::kCreateTemp) return CommitFault::kRefuse;
      return step == CommitStep::kWriteInPlace ? CommitFault::kAbandon : CommitFault::kProceed;
    });
    EXPECT_FALSE(file.Commit());
  }
  ASSERT_EQ(Entries(journals_).size(), 1u);
  // Another program writes the file in place before we open it again.
  const std::string theirs = "[Morva]\r\nTop=9\r\n";
  {
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    f << theirs;
  }
  ForgetKeptProfile();
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "9");
  EXPECT_EQ(Get(path_), theirs);
  EXPECT_EQ(Entries(journals_), std::vector<std::string>{});
}

// A writer killed while it wrote its temporary file leaves it unlocked; the
// next session that reads or writes the file removes it. A temporary that
// a live writer holds, and other files, stay.
TEST_F(ProfileStoreTest, StaleTemporaryFilesAreRemovedAndLiveOnesKept) {
  Put(path_, "[Morva]\r\nTop=1\r\n");
  Put(dir_ / ".Vozururo.ini.AbC123", std::string(100000, 'x'));
  Put(dir_ / ".Vozururo.ini.keep", "not ours: wrong length");
  Put(dir_ / "Vozururo.ini.Zz9999", "not ours: no dot");
  const int held = ::open((dir_ / ".Vozururo.ini.LiVe00").c_str(), O_CREAT | O_RDWR, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  // A writer killed in another process: its lock went with it.
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open((dir_ / ".Vozururo.ini.KiLLed").c_str(), O_CREAT | O_RDWR, 0600);
    ::flock(fd, LOCK_EX);
    ::pause();
  }
  while (!fs::exists(dir_ / ".Vozururo.ini.KiLLed")) ::usleep(1000);
  ::usleep(20000);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);

  ProfileFile file(path_);  // a read removes them
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{".Vozururo.ini.LiVe00", ".Vozururo.ini.keep",
                                                     "Vozururo.ini", "Vozururo.ini.Zz9999"}));
  ::close(held);
  // So does a save, also where the file is taken from memory.
  Put(dir_ / ".Vozururo.ini.Zz0000", "");
  file.Write("Morva", "Top", "2");
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{".Vozururo.ini.keep", "Vozururo.ini",
                                                     "Vozururo.ini.Zz9999"}));
}

// The file is read once and kept; it is read again only when another
// program changed it (its size, its time stamps or the file itself), and a
// save keeps what it wrote.
TEST_F(ProfileStoreTest, TheFileIsReadAgainOnlyWhenItChanged) {
  Put(path_, "[Morva]\r\nTop=1\r\n");
  // Time stamps well in the past (and the change they make settled): the
  // picture is trusted.
  auto age = [&](int seconds_ago) {
    const timespec t{::time(nullptr) - seconds_ago, 0};
    const timespec times[2] = {t, t};
    ASSERT_EQ(::utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  };
  age(100);
  const std::uint64_t reads = ProfileFileReads();
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "1");
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "1");
  char buffer[8];
  GetPrivateProfileStringA("Morva", "Top", "", buffer, sizeof buffer, path_.c_str());
  EXPECT_EQ(ProfileFileReads(), reads + 1);

  // Same size, new time stamp: read again.
  Put(path_, "[Morva]\r\nTop=2\r\n");
  age(50);
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "2");
  // Same size and time stamp written back, but a new file: read again.
  Put(dir_ / "other", "[Morva]\r\nTop=3\r\n");
  fs::rename(dir_ / "other", path_);
  age(50);
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "3");
  EXPECT_EQ(ProfileFileReads(), reads + 3);

  // Modified just now: the next open reads it once more.
  Put(path_, "[Morva]\r\nTop=4\r\n");
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "4");
  Put(path_, "[Morva]\r\nTop=5\r\n");  // within the same time stamp tick
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "5");

  // A save keeps its own picture; a session that was open keeps the one it
  // read; the all-NULL write forgets the kept picture.
  ProfileFile before(path_);
  {
    ProfileFile file(path_);
    file.Write("Morva", "Left", "7");
    EXPECT_TRUE(file.Commit());
  }
  const std::uint64_t after_save = ProfileFileReads();
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Left"), "7");
  EXPECT_FALSE(before.Read("Morva", "Left"));
  EXPECT_EQ(ProfileFileReads(), after_save);
  EXPECT_TRUE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str()));
  EXPECT_EQ(ProfileFile(path_).Read("Morva", "Left"), "7");
  EXPECT_EQ(ProfileFileReads(), after_save + 1);
}

// A large file is held compactly, read quickly and edited without
// rereading; the memory stays near the file's size.
TEST_F(ProfileStoreTest, ALargeFileIsHeldNearItsOwnSize) {
  const std::string content = Presets(30000);
  ASSERT_GT(content.size(), 8u << 20);
  Put(path_, content);
  ProfileFile file(path_);
  EXPECT_LT(file.document().MemoryBytes(), content.size() * 5 / 4);
  EXPECT_EQ(file.Read("analog outputs preset 19999", "SLIDER19"), "379981");
  file.Write("Analog Outputs Preset 10", "Slider3", "0");
  file.EraseSection("Analog Outputs Preset 11");
  EXPECT_LT(file.document().MemoryBytes(), content.size() * 5 / 4);
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(ProfileFile(path_).Read("Analog Outputs Preset 10", "Slider3"), "0");
  EXPECT_FALSE(ProfileFile(path_).HasSection("Analog Outputs Preset 11"));
}

}  // namespace
}  // namespace platform
