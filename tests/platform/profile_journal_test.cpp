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

// Sets environment variables for one test and puts them back.
class Environment {
 public:
  ~Environment() {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const char* value) {
    const char* was = std::getenv(name.c_str());
    saved_.emplace_back(name, was ? std::optional<std::string>(was) : std::nullopt);
    if (value)
      ::setenv(name.c_str(), value, 1);
    else
      ::unsetenv(name.c_str());
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(JournalDirectory, FollowsTheStateHomeAndNeverTheTemporaryFolder) {
  SetJournalDirectory({});
  struct Case {
    const char* state_home;
    const char* tmpdir;
    fs::path expected;
  };
  const Case cases[] = {
      {"/var/lib/someone/state", "/tmp", "/var/lib/someone/state/morva"},
      {"/var/lib/someone/state", "/elsewhere", "/var/lib/someone/state/morva"},
      {nullptr, "/tmp", "/home/someone/.local/state/morva"},
      {"relative/state", "/tmp", "/home/someone/.local/state/morva"},  // ignored, as specified
      {"", "/tmp", "/home/someone/.local/state/morva"},
  };
  for (const Case& c : cases) {
    Environment env;
    env.Set("HOME", "/home/someone");
    env.Set("XDG_STATE_HOME", c.state_home);
    env.Set("TMPDIR", c.tmpdir);
    EXPECT_EQ(JournalDirectory(), c.expected) << (c.state_home ? c.state_home : "(unset)");
  }
}

// A kill in the middle of an in-place save, then what a reboot does (the
// temporary folders and the runtime folder emptied), then the next start:
// the journal is still there and completes the file.
TEST(JournalDirectory, ARewriteKilledBeforeAPowerLossIsCompletedAfterIt) {
  const fs::path root = platform::MakeTemporaryFolder("power_loss");
  const fs::path config = root / "config";
  const fs::path ini = config / "Vozururo.ini";
  fs::create_directories(config);
  for (const char* volatile_folder : {"tmp", "run"}) fs::create_directories(root / volatile_folder);
  std::string old_content;
  for (int p = 0; p < 400; ++p)
    old_content += "[Analog Outputs P" + std::to_string(p) +
                   "]\r\nSlider3=" + std::string(300, 'a' + p % 26) + "\r\n";
  Put(ini, old_content);

  Environment env;
  env.Set("XDG_STATE_HOME", (root / "state").c_str());
  env.Set("TMPDIR", (root / "tmp").c_str());
  env.Set("XDG_RUNTIME_DIR", (root / "run").c_str());
  SetJournalDirectory({});
  SetWindowsDirectory(config);
  ForgetKeptProfile();

  std::string new_content;
  {
    ProfileFile file(ini);
    file.EraseSection("Analog Outputs P0");
    new_content = file.document().Serialize();
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SetWindowsDirectoryFault(DiskFault::kNoNewFiles);
    ProfileFile file(ini);
    file.EraseSection("Analog Outputs P0");
    int pieces = 0;
    file.set_fault_hook([&](CommitStep step) {
      if (step == CommitStep::kWriteInPlace && ++pieces == 2) ::kill(::getpid(), SIGKILL);
      return CommitFault::kProceed;
    });
    file.Commit();
    std::_Exit(1);  // not killed: the trial proves nothing
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  const std::string torn = Get(ini);
  ASSERT_NE(torn, old_content);
  ASSERT_NE(torn, new_content);

  for (const char* volatile_folder : {"tmp", "run"}) fs::remove_all(root / volatile_folder);
  ForgetKeptProfile();
  { const ProfileFile reopened(ini); }
  EXPECT_EQ(Get(ini), new_content);
  EXPECT_TRUE(fs::is_empty(root / "state" / "morva"));
  EXPECT_EQ(fs::status(root / "state" / "morva").permissions() & fs::perms::all,
            fs::perms::owner_all);

  SetWindowsDirectory({});
  fs::remove_all(root);
}

// A journal that cannot be applied now (another process holds the file,
// the disk refuses writes): the torn file is neither read as the settings
// nor saved over, atomically or in place; once it can be, it is completed.
TEST(JournalDirectory, ATornFileWhoseJournalCannotBeAppliedIsNeitherReadNorSavedOver) {
  const fs::path root = platform::MakeTemporaryFolder("pending_journal");
  const fs::path ini = root / "Vozururo.ini";
  SetJournalDirectory(root / "state");
  std::string old_content;
  for (int p = 0; p < 400; ++p)
    old_content += "[P" + std::to_string(p) + "]\r\nk=" + std::string(300, 'x') + "\r\n";
  Put(ini, old_content);
  std::string new_content;
  {
    ProfileFile file(ini);
    file.EraseSection("P0");
    new_content = file.document().Serialize();
    int pieces = 0;
    file.set_fault_hook([&](CommitStep step) {
      if (step == CommitStep::kCreateTemp) return CommitFault::kRefuse;
      return step == CommitStep::kWriteInPlace && ++pieces == 2 ? CommitFault::kAbandon
                                                                : CommitFault::kProceed;
    });
    ASSERT_FALSE(file.Commit());
  }
  const std::string torn = Get(ini);
  ASSERT_NE(torn, new_content);
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
  EXPECT_EQ(Get(ini), new_content);
  SetJournalDirectory({});
  fs::remove_all(root);
}

}  // namespace
}  // namespace platform
