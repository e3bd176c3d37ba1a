#pragma once
// Everything the system does to the outside world is reported here, so
// tests and the scenario runner can print or check it.
#include <string>

#include "ui/wintypes.h"

namespace platform {

enum class WaveDir { In, Out };

class Observer {
 public:
  virtual ~Observer() = default;
  virtual void WaveOpened(WaveDir, std::uintptr_t /*handle*/, UINT /*device*/) {}
  virtual void WaveClosed(WaveDir, std::uintptr_t /*handle*/) {}
  virtual void WaveMessage(WaveDir, std::uintptr_t /*handle*/, UINT /*msg*/, DWORD_PTR /*p1*/,
                           DWORD_PTR /*p2*/) {}
  virtual void MessageBoxShown(const std::string& /*caption*/, UINT /*flags*/,
                               const std::string& /*text*/) {}
  virtual void ProgramStarted(const std::string& /*file*/, const std::string& /*params*/) {}
  virtual void TrayIcon(DWORD /*nim*/, const std::string& /*tip*/) {}
  virtual void TimerStarted(UINT /*id*/, UINT /*delay*/) {}
  virtual void TimerKilled(UINT /*id*/) {}
};

}  // namespace platform
