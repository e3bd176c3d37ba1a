#pragma once
// The backend on the simulated sound system. The driver's stored
// configuration goes to the stand-in Windows directory unless the system
// was given a directory of its own.
#include "platform/backend.h"
#include "sim/system.h"

namespace platform {

class SimBackend : public Backend {
 public:
  explicit SimBackend(sim::System& system);

  sim::System& system() { return system_; }

  sim::Clock& clock() override { return system_.clock(); }
  UINT WaveDeviceCount(WaveDir dir) override;
  MMRESULT WaveDeviceCapsOf(WaveDir dir, UINT id, WaveDeviceCaps* caps) override;
  MMRESULT WaveOpen(WaveDir dir, UINT id, std::span<const BYTE> format,
                    std::uintptr_t* handle) override;
  MMRESULT WaveClose(WaveDir dir, std::uintptr_t handle) override;
  MMRESULT WaveMessage(WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1,
                       DWORD_PTR p2) override;
  DWORD GlobalAllocLock16(WORD flags, DWORD size, WORD* handle) override;
  void* VdmPointer(DWORD vp, DWORD size) override;
  WORD GlobalUnlockFree16(DWORD vp) override;
  int RunDll(const std::string& params) override;
  bool NotifyIcon(DWORD message) override;

 private:
  sim::System& system_;
};

}  // namespace platform
