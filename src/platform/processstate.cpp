#include "platform/processstate.h"

#include "platform/profile_file.h"
#include "platform/windir.h"

namespace platform {

void ResetProcessState() {
  SetWindowsDirectory({});
  SetJournalDirectory({});
  SetWindowsDirectoryFault(DiskFault::kNone);
  SetFileCallHook({});
  SetReplaceListener({});
  ForgetKeptProfile();
}

}  // namespace platform
