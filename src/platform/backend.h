#pragma once
// What the Win32-named stand-ins forward to. The default backend is the
// simulated card (SimBackend); a test may put its own in place.
#include <cstdint>
#include <span>
#include <string>

#include "platform/observer.h"
#include "ui/wintypes.h"

namespace sim {
class Clock;
}

namespace platform {

struct WaveDeviceCaps {
  WORD mid = 0;
  WORD pid = 0;
  UINT driver_version = 0;
  std::string name;  // at most 31 characters reach szPname
  DWORD formats = 0;
  WORD channels = 0;
  DWORD support = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual sim::Clock& clock() = 0;

  // Wave devices and their handles. format is the WAVEFORMATEX record
  // followed by its cbSize extra bytes.
  virtual UINT WaveDeviceCount(WaveDir dir) = 0;
  virtual MMRESULT WaveDeviceCapsOf(WaveDir dir, UINT id, WaveDeviceCaps* caps) = 0;
  virtual MMRESULT WaveOpen(WaveDir dir, UINT id, std::span<const BYTE> format,
                            std::uintptr_t* handle) = 0;
  virtual MMRESULT WaveClose(WaveDir dir, std::uintptr_t handle) = 0;
  virtual MMRESULT WaveMessage(WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1,
                               DWORD_PTR p2) = 0;

  // 16-bit global memory addressed by 16:16 pointers.
  virtual DWORD GlobalAllocLock16(WORD flags, DWORD size, WORD* handle) = 0;
  virtual void* VdmPointer(DWORD vp, DWORD size) = 0;
  virtual WORD GlobalUnlockFree16(DWORD vp) = 0;

  // "rundll.exe" with these parameters; ShellExecuteA's result (above 32: started).
  virtual int RunDll(const std::string& params) = 0;
  // Whether the tray accepts a Shell_NotifyIconA request.
  virtual bool NotifyIcon(DWORD message) = 0;
};

}  // namespace platform
