// The shell and kernel functions: starting "rundll.exe", the tray icon, Sleep,
// the last error.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/shellapi.h"
#include "platform/winbase.h"
#include "sim/clock.h"

namespace {

constexpr int kFileNotFound = 2;

bool IsRunDll(const char* file) {
  std::string name = file != nullptr ? file : "";
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name == "rundll.exe";
}

}  // namespace

HINSTANCE ShellExecuteA(HWND /*hwnd*/, LPCSTR /*lpOperation*/, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR /*lpDirectory*/, INT /*nShowCmd*/) {
  platform::Platform& p = platform::CurrentPlatform();
  if (!IsRunDll(lpFile)) return HandleFromValue<HINSTANCE>(kFileNotFound);
  const std::string params = lpParameters != nullptr ? lpParameters : "";
  const int r = p.backend().RunDll(params);
  if (r > 32 && p.observer() != nullptr) p.observer()->ProgramStarted(lpFile, params);
  return HandleFromValue<HINSTANCE>(static_cast<std::uintptr_t>(r));
}

BOOL Shell_NotifyIconA(DWORD dwMessage, NOTIFYICONDATAA* lpData) {
  if (lpData == nullptr) return FALSE;
  platform::Platform& p = platform::CurrentPlatform();
  if (!p.backend().NotifyIcon(dwMessage)) return FALSE;
  const std::string tip(lpData->szTip, strnlen(lpData->szTip, sizeof lpData->szTip));
  if (p.observer() != nullptr) p.observer()->TrayIcon(dwMessage, tip);
  return TRUE;
}

void Sleep(DWORD dwMilliseconds) {
  platform::CurrentPlatform().clock().SleepMs(dwMilliseconds);
}

namespace {
thread_local DWORD last_error = 0;
}  // namespace

DWORD GetLastError() {
  return last_error;
}

void SetLastError(DWORD dwErrCode) {
  last_error = dwErrCode;
}
