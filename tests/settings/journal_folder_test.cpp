// Another local user, or anything else, in the journal folder's place: an
// in-place save is refused with a message that names the folder, the file
// and the object are left as they were, and nothing is written through it.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

#include "common/tempdir.h"
#include "platform/windir.h"
#include "settings/inifile.h"
#include "ui/exceptions.h"

namespace settings {
namespace {

namespace fs = std::filesystem;

TEST(JournalFolder, HostileObjectsInItsPlaceAreRefusedByName) {
  testing_support::TempWindowsDir windows("journal_folder");
  const fs::path root = platform::MakeTemporaryFolder("journal_state");
  const fs::path folder = root / "state" / "morva";
  const fs::path elsewhere = root / "elsewhere";
  platform::SetJournalDirectory(folder);
  const std::string old_content = "[Morva]\r\nTop=1\r\n";
  const std::string cannot = "nach Vozururo.ini kann nicht geschrieben werden: ";
  const std::string not_a_folder = cannot + folder.string() + " ist kein Ordner";
  // An in-place save: the message it fails with, if any.
  auto save = [](const char* value) {
    platform::SetWindowsDirectoryFault(platform::DiskFault::kNoNewFiles);
    std::string message;
    try {
      TIniFile ini("Vozururo.ini");
      ini.WriteString("Morva", "Top", value);
      ini.UpdateFile();
    } catch (const ui::EIniFileException& e) {
      message = e.what();
    }
    platform::SetWindowsDirectoryFault(platform::DiskFault::kNone);
    return message;
  };
  struct Case {
    const char* what;
    std::function<bool()> place;  // false: cannot be made here (skipped)
    std::string message;
  };
  const Case cases[] = {
      {"a link to a folder of someone else's choosing",
       [&] {
         fs::create_directories(elsewhere);
         fs::create_directory_symlink(elsewhere, folder);
         return true;
       },
       not_a_folder},
      {"a file", [&] { return (testing_support::Put(folder, ""), true); }, not_a_folder},
      {"a FIFO", [&] { return ::mkfifo(folder.c_str(), 0600) == 0; }, not_a_folder},
      {"a folder others may write",
       [&] {
         fs::create_directory(folder);
         fs::permissions(folder, fs::perms::all);
         return true;
       },
       cannot + "der Ordner " + folder.string() + " ist für andere Benutzer zugänglich"},
      {"a folder another user made first",
       [&] {
         // Only root can hand a folder to another user; elsewhere this case
         // is skipped.
         fs::create_directory(folder);
         fs::permissions(folder, fs::perms::owner_all);
         return ::geteuid() == 0 && ::chown(folder.c_str(), 65534, 65534) == 0;
       },
       cannot + "der Ordner " + folder.string() + " gehört einem anderen Benutzer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(root / "state");
    fs::remove_all(elsewhere);
    fs::create_directories(folder.parent_path());
    windows.Put(old_content);
    if (!c.place()) {
      std::printf("skipped: %s (needs root to give a folder to another user)\n", c.what);
      continue;
    }
    const auto kind = fs::symlink_status(folder).type();
    EXPECT_EQ(save("2"), c.message);
    EXPECT_EQ(windows.Content(), old_content);
    EXPECT_EQ(fs::symlink_status(folder).type(), kind);
    EXPECT_FALSE(fs::exists(elsewhere) && !fs::is_empty(elsewhere));
  }
  // The folder made by the program is its user's alone, parents included.
  fs::remove_all(root / "state");
  EXPECT_EQ(save("3"), "");
  for (const fs::path& made : {folder, folder.parent_path()})
    EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all) << made;
  EXPECT_TRUE(fs::is_empty(folder));
  platform::SetJournalDirectory({});
  fs::remove_all(root);
}

}  // namespace
}  // namespace settings
