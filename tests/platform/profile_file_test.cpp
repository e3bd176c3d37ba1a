#include "platform/profile_file.h"
#include "common/tempdir.h"
#include "platform/windir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::Get;
using testing_support::Put;

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = platform::MakeTemporaryFolder("profile_file");
    path_ = dir_ / "Vozururo.ini";
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    return names;
  }

  fs::path dir_;
  fs::path path_;
};

TEST_F(ProfileFileTest, CommitsOnceWithAllEditsAndKeepsLineEnds) {
  Put(path_, "[Morva]\nTop=1\n");
  ProfileFile file(path_);
  int steps = 0;
  file.set_fault_hook([&steps](CommitStep) {
    ++steps;
    return CommitFault::kProceed;
  });
  EXPECT_TRUE(file.Write("Morva", "Top", "1"));  // same value: nothing to write
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(steps, 0);
  file.Write("Morva", "Top", "5");
  file.Write("Morva", "Left", "6");
  file.EraseKey("Morva", "Nothing");
  EXPECT_EQ(Get(path_), "[Morva]\nTop=1\n");  // nothing reaches the disk before the commit
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(steps, 4);
  EXPECT_EQ(Get(path_), "[Morva]\nTop=5\nLeft=6\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"Vozururo.ini"});  // no temporary left over
}

TEST_F(ProfileFileTest, CreatesMissingDirectoryAndFile) {
  const fs::path nested = dir_ / "a" / "b" / "Vozururo.ini";
  ProfileFile file(nested);
  EXPECT_TRUE(file.readable());
  EXPECT_FALSE(file.Read("Morva", "Top"));
  file.Write("Morva", "Top", "3");
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(Get(nested), "[Morva]\r\nTop=3\r\n");
}

TEST_F(ProfileFileTest, FailedStepsLeaveTheOldFileAndReportFailure) {
  const std::string old = "[Morva]\r\nTop=1\r\n";
  for (CommitStep failing : {CommitStep::kCreateTemp, CommitStep::kWriteTemp, CommitStep::kSyncTemp,
                             CommitStep::kReplace}) {
    Put(path_, old);
    ProfileFile file(path_);
    file.set_fault_hook([failing](CommitStep step) {
      return step == failing ? CommitFault::kFail : CommitFault::kProceed;
    });
    file.Write("Morva", "Top", "2");
    EXPECT_FALSE(file.Commit()) << static_cast<int>(failing);
    EXPECT_TRUE(file.dirty());
    EXPECT_EQ(Get(path_), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"Vozururo.ini"});
    // The next attempt that succeeds writes everything still pending.
    file.set_fault_hook({});
    EXPECT_TRUE(file.Commit());
    EXPECT_EQ(ProfileFile(path_).Read("Morva", "Top"), "2");
  }
}

TEST_F(ProfileFileTest, CrashBeforeRenameKeepsTheOldContent) {
  Put(path_, "[Morva]\r\nTop=1\r\n");
  {
    ProfileFile file(path_);
    file.set_fault_hook([](CommitStep step) {
      return step == CommitStep::kReplace ? CommitFault::kAbandon : CommitFault::kProceed;
    });
    for (int i = 0; i < 500; ++i) file.Write("Morva Live", "Slider" + std::to_string(i), "1");
    EXPECT_FALSE(file.Commit());
  }
  EXPECT_EQ(Get(path_), "[Morva]\r\nTop=1\r\n");
  EXPECT_EQ(Entries().size(), 2u);  // the abandoned temporary, under a name no one reads
  ProfileFile after(path_);
  EXPECT_EQ(after.SectionNames(), std::vector<std::string>{"Morva"});
}

TEST_F(ProfileFileTest, UnreadableFileIsNeverOverwritten) {
  fs::create_directory(path_);  // something is there, but it cannot be read as a file
  ProfileFile file(path_);
  EXPECT_FALSE(file.readable());
  file.Write("Morva", "Top", "1");
  EXPECT_FALSE(file.Commit());
  EXPECT_TRUE(fs::is_directory(path_));
}

TEST_F(ProfileFileTest, ReplacesTheTargetOfALinkAndKeepsPermissions) {
  const fs::path real = dir_ / "real.ini";
  Put(real, "[Morva]\r\nTop=1\r\n");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(real, path_);
  ProfileFile file(path_);
  file.Write("Morva", "Top", "2");
  ASSERT_TRUE(file.Commit());
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(Get(real), "[Morva]\r\nTop=2\r\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

// What a refusing or full disk does: a read-only file is never replaced; a
// directory that takes no new files gets its writable file rewritten in
// place; a full disk leaves every byte as it was.
TEST_F(ProfileFileTest, ReadOnlyFilesRefusingDirectoriesAndFullDisks) {
  const std::string old_content = "[Morva]\r\nTop=1\r\n";
  Put(path_, old_content);
  fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(ReplaceFileAtomically(path_, "[Morva]\r\nTop=2\r\n"));
  EXPECT_EQ(Get(path_), old_content);
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);

  auto refuse_new_files = [](CommitStep step) {
    return step == CommitStep::kCreateTemp ? CommitFault::kRefuse : CommitFault::kProceed;
  };
  const std::string longer = "[Morva]\r\nTop=2\r\nLeft=300\r\nWidth=182\r\n";
  EXPECT_TRUE(ReplaceFileAtomically(path_, longer, refuse_new_files));
  EXPECT_EQ(Get(path_), longer);
  EXPECT_TRUE(ReplaceFileAtomically(path_, old_content, refuse_new_files));
  EXPECT_EQ(Get(path_), old_content);  // cut to the shorter length
  EXPECT_EQ(Entries().size(), 1u);

  SetWindowsDirectory(dir_);
  for (DiskFault fault : {DiskFault::kFull, DiskFault::kReadOnly}) {
    SetWindowsDirectoryFault(fault);
    EXPECT_FALSE(ReplaceFileAtomically(path_, longer));
    EXPECT_FALSE(ReplaceFileAtomically(path_, longer, refuse_new_files));
    EXPECT_FALSE(ReplaceFileAtomically(dir_ / "new.ini", longer));
    EXPECT_EQ(Get(path_), old_content);
    EXPECT_EQ(Entries().size(), 1u);
  }
  SetWindowsDirectoryFault(DiskFault::kNone);
  SetWindowsDirectory({});
  EXPECT_TRUE(ReplaceFileAtomically(path_, longer));
}

}  // namespace
}  // namespace platform
