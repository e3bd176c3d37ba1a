// Where the in-place rewrite's journal lives: the user's state folder, which
// outlives a reboot, whatever the temporary folders are; a rewrite killed
// part-way is completed after a power loss has emptied them.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "common/tempdir.h"
#include "platform/profile_file.h"
#include "platform/windir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::Get;
using testing_support::Put;

// Each test may set the folders' variables; they are put back after it.
class JournalDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_STATE_HOME", "TMPDIR", "XDG_RUNTIME_DIR"}) {
      const char* was = std::getenv(name);
      saved_.emplace_back(name, was ? std::optional<std::string>(was) : std::nullopt);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) Set(name.c_str(), value ? value->c_str() : nullptr);
    SetJournalDirectory({});
    SetWindowsDirectory({});
    fs::remove_all(root_);
  }
  static void Set(const char* name, const char* value) {
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  // A file of 400 long sections (the rewrite takes many pieces) and the
  // file erasing the first of them makes.
  void Presets(const fs::path& ini) {
    old_.clear();
    for (int p = 0; p < 400; ++p)
      old_ += "[P" + std::to_string(p) + "]\r\nk=" + std::string(300, 'a' + p % 26) + "\r\n";
    Put(ini, old_);
    ProfileFile file(ini);
    file.EraseSection("P0");
    new_ = file.document().Serialize();
    ForgetKeptProfile();
  }
  // Erases the first section in place, stopping the rewrite at its second
  // piece with stop.
  static bool EraseInPlace(const fs::path& ini, CommitFault create, std::function<void()> stop) {
    ProfileFile file(ini);
    file.EraseSection("P0");
    int pieces = 0;
    file.set_fault_hook([&](CommitStep step) {
      if (step == CommitStep::kCreateTemp) return create;
      if (step == CommitStep::kWriteInPlace && ++pieces == 2) {
        if (stop) stop();
        return CommitFault::kAbandon;
      }
      return CommitFault::kProceed;
    });
    return file.Commit();
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  fs::path root_ = MakeTemporaryFolder("profile_journal");
  std::string old_, new_;
};

TEST_F(JournalDirectory, FollowsTheStateHomeAndNeverTheTemporaryFolder) {
  SetJournalDirectory({});
  const struct {
    const char* state_home;
    const char* tmpdir;
    fs::path expected;
  } cases[] = {
      {"/var/lib/someone/state", "/tmp", "/var/lib/someone/state/morva"},
      {"/var/lib/someone/state", "/elsewhere", "/var/lib/someone/state/morva"},
      {nullptr, "/tmp", "/home/someone/.local/state/morva"},
      {"relative/state", "/tmp", "/home/someone/.local/state/morva"},  // ignored, as specified
      {"", "/tmp", "/home/someone/.local/state/morva"},
  };
  for (const auto& c : cases) {
    Set("HOME", "/home/someone");
    Set("XDG_STATE_HOME", c.state_home);
    Set("TMPDIR", c.tmpdir);
    EXPECT_EQ(platform::JournalDirectory(), c.expected)
        << (c.state_home ? c.state_home : "(unset)");
  }
}

// A kill in the middle of an in-place save, then what a reboot does (the
// temporary folders and the runtime folder emptied), then the next start:
// the journal is still there and completes the file.
TEST_F(JournalDirectory, ARewriteKilledBeforeAPowerLossIsCompletedAfterIt) {
  const fs::path ini = root_ / "config" / "Vozururo.ini";
  for (const char* folder : {"config", "tmp", "run"}) fs::create_directories(root_ / folder);
  Presets(ini);
  for (const auto& [name, folder] :
       {std::pair{"XDG_STATE_HOME", "state"}, std::pair{"TMPDIR", "tmp"},
        std::pair{"XDG_RUNTIME_DIR", "run"}})
    Set(name, (root_ / folder).c_str());
  SetJournalDirectory({});
  SetWindowsDirectory(ini.parent_path());
  ForgetKeptProfile();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SetWindowsDirectoryFault(DiskFault::kNoNewFiles);
    EraseInPlace(ini, CommitFault::kProceed, [] { ::kill(::getpid(), SIGKILL); });
    std::_Exit(1);  // not killed: the trial proves nothing
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_TRUE(Get(ini) != old_ && Get(ini) != new_);
  for (const char* folder : {"tmp", "run"}) fs::remove_all(root_ / folder);
  ForgetKeptProfile();
  { const ProfileFile reopened(ini); }
  EXPECT_EQ(Get(ini), new_);
  EXPECT_TRUE(fs::is_empty(root_ / "state" / "morva"));
  EXPECT_EQ(fs::status(root_ / "state" / "morva").permissions() & fs::perms::all,
            fs::perms::owner_all);
}

// A journal that cannot be applied now (another process holds the file,
// the disk refuses writes): the torn file is neither read as the settings
// nor saved over, atomically or in place; once it can be, it is completed.
TEST_F(JournalDirectory, ATornFileWhoseJournalCannotBeAppliedIsNeitherReadNorSavedOver) {
  const fs::path ini = root_ / "Vozururo.ini";
  SetJournalDirectory(root_ / "state");
  Presets(ini);
  ASSERT_FALSE(EraseInPlace(ini, CommitFault::kRefuse, {}));
  const std::string torn = Get(ini);
  ASSERT_NE(torn, new_);
  for (CommitFault create : {CommitFault::kProceed, CommitFault::kRefuse}) {
    const int holder = ::open(ini.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ForgetKeptProfile();
    ProfileFile file(ini);
    EXPECT_TRUE(file.rewrite_pending());
    EXPECT_FALSE(file.readable());
    EXPECT_FALSE(file.HasSection("P1"));  // nothing of the torn text
    file.Write("Morva", "Top", "1");
    file.set_fault_hook([create](CommitStep) { return create; });
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.error(), CommitError::kJournalPending);
    EXPECT_EQ(Get(ini), torn);
    ::close(holder);
  }
  ForgetKeptProfile();
  EXPECT_TRUE(ProfileFile(ini).readable());
  EXPECT_EQ(Get(ini), new_);
}

}  // namespace
}  // namespace platform
