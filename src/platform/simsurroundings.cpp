#include "platform/simsurroundings.h"

#include "platform/processstate.h"
#include "platform/windir.h"

namespace platform {

SimSurroundings::SimSurroundings(int cards, const Folders& folders)
    : windows_(folders.windows.empty() ? own_windows_.emplace("morva-windows").path()
                                       : folders.windows) {
  SetWindowsDirectory(windows_);
  // As in the user's state folder, the journal's folder is made by the
  // store and checked before each use.
  SetJournalDirectory(folders.journal.empty() ? own_journal_.emplace("morva-state").path() / "morva"
                                              : folders.journal);
  system.SetConfigDir(windows_);
  system.SetCards(cards);
}

SimSurroundings::~SimSurroundings() {
  ResetProcessState();
}

void SimSurroundings::Advance(std::int64_t ms, const std::function<void()>& after) {
  platform.timers().AdvanceTo(clock.NowMs() + ms, after);
}

}  // namespace platform
