#include "platform/simbackend.h"

#include "platform/windir.h"

namespace platform {
namespace {

sim::Dir SimDir(WaveDir dir) {
  return dir == WaveDir::In ? sim::Dir::In : sim::Dir::Out;
}

// The largest value a 32-bit handle or parameter of the simulated driver can hold.
constexpr std::uintptr_t kMax32 = 0xFFFFFFFFu;

}  // namespace

SimBackend::SimBackend(sim::System& system) : system_(system) {
  system_.SetConfigDirProvider([] { return WindowsDirectory(); });
}

UINT SimBackend::WaveDeviceCount(WaveDir dir) {
  return static_cast<UINT>(system_.Devices(SimDir(dir)).size());
}

MMRESULT SimBackend::WaveDeviceCapsOf(WaveDir dir, UINT id, WaveDeviceCaps* caps) {
  const auto& list = system_.Devices(SimDir(dir));
  if (id >= list.size()) return sim::result::kBadDeviceId;
  const sim::WaveDevice& d = list[id];
  caps->mid = d.mid;
  caps->pid = d.pid;
  caps->driver_version = 0x0400;
  caps->name = d.name;
  caps->formats = 0x00000FFF;
  caps->channels = 2;
  caps->support = dir == WaveDir::Out ? 0x000C : 0;  // volume, left and right
  return sim::result::kOk;
}

MMRESULT SimBackend::WaveOpen(WaveDir dir, UINT id, std::span<const BYTE> format,
                              std::uintptr_t* handle) {
  std::uint32_t h = 0;
  const MMRESULT r = system_.Open(SimDir(dir), id, format, &h);
  if (r == sim::result::kOk) *handle = h;
  return r;
}

MMRESULT SimBackend::WaveClose(WaveDir dir, std::uintptr_t handle) {
  if (handle > kMax32) return sim::result::kInvalHandle;
  return system_.Close(SimDir(dir), static_cast<std::uint32_t>(handle));
}

MMRESULT SimBackend::WaveMessage(WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1,
                                 DWORD_PTR p2) {
  if (handle > kMax32) return sim::result::kInvalHandle;
  if (p1 > kMax32 || p2 > kMax32) return sim::result::kInvalParam;
  return system_.Message(SimDir(dir), static_cast<std::uint32_t>(handle), msg,
                         static_cast<std::uint32_t>(p1), static_cast<std::uint32_t>(p2));
}

DWORD SimBackend::GlobalAllocLock16(WORD /*flags*/, DWORD size, WORD* handle) {
  // Blocks are always zero-filled, so GMEM_ZEROINIT needs no extra work.
  const DWORD vp = system_.arena().Alloc(size);
  if (handle != nullptr) *handle = static_cast<WORD>(vp >> 16);
  return vp;
}

void* SimBackend::VdmPointer(DWORD vp, DWORD size) {
  return system_.arena().Flat(vp, size);
}

WORD SimBackend::GlobalUnlockFree16(DWORD vp) {
  // Like GlobalFree: 0 on success, the handle when it could not be freed.
  return system_.arena().Free(vp) ? 0 : static_cast<WORD>(vp >> 16);
}

int SimBackend::RunDll(const std::string& params) {
  return system_.RunDll(params);
}

bool SimBackend::NotifyIcon(DWORD /*message*/) {
  return system_.tray_ok();
}

}  // namespace platform
