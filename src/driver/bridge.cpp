#include "driver/bridge.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <utility>

#include "driver/messages.h"
#include "platform/platform.h"
#include "platform/shellapi.h"
#include "platform/winbase.h"
#include "platform/wownt32.h"
#include "sim/clock.h"

namespace driver {
namespace {

// One block of 16-bit global memory for one call, released however the call ends.
class BridgeBlock {
 public:
  explicit BridgeBlock(std::uint32_t size) {
    WORD handle = 0;
    vp_ = WOWGlobalAllocLock16(GMEM_ZEROINIT, size, &handle);
    if (vp_ != 0) flat_ = static_cast<BYTE*>(WOWGetVDMPointer(vp_, size, TRUE));
  }
  ~BridgeBlock() {
    if (vp_ != 0) WOWGlobalUnlockFree16(vp_);
  }
  // Gives the block up without freeing it: someone else frees it later.
  std::uint32_t Release() {
    flat_ = nullptr;
    return std::exchange(vp_, 0);
  }
  BridgeBlock(const BridgeBlock&) = delete;
  BridgeBlock& operator=(const BridgeBlock&) = delete;

  bool valid() const { return flat_ != nullptr; }
  std::uint32_t vp() const { return vp_; }
  BYTE* flat() const { return flat_; }

 private:
  std::uint32_t vp_ = 0;
  BYTE* flat_ = nullptr;
};

// The completion word is written by the driver's code on another thread.
std::uint32_t LoadAcquire(BYTE* word) {
  return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(word))
      .load(std::memory_order_acquire);
}

}  // namespace

std::optional<std::string_view> DriverConfigCommandWord(std::int32_t command) {
  switch (command) {
    case DRVCFG_GETSTATES:
      return "getstates";
    case DRVCFG_RECONFIGURABLE:
      return "reconfigurable";
    case DRVCFG_GETCONFIG:
      return "getconfig";
    case DRVCFG_SETCONFIG:
      return "setconfig";
    default:
      return std::nullopt;
  }
}

std::string DriverConfigParams(std::string_view word, std::uint32_t data_vp,
                               std::uint32_t done_vp) {
  char pointers[32];
  std::snprintf(pointers, sizeof pointers, " $%08X #%08X", static_cast<unsigned>(data_vp),
                static_cast<unsigned>(done_vp));
  return "Morva.DRV,DriverConfig " + std::string(word) + pointers;
}

bool RunDriverConfig(std::string_view word, std::uint32_t data_vp, std::uint32_t done_vp) {
  const std::string params = DriverConfigParams(word, data_vp, done_vp);
  const HINSTANCE r =
      ShellExecuteA(nullptr, nullptr, "rundll.exe", params.c_str(), "", SW_SHOWDEFAULT);
  return HandleValue(r) > 32;
}

bool DriverConfigCall(std::int32_t enabled, std::int32_t command, void* buffer, std::int32_t length,
                      std::int64_t wait_limit_ms) {
  if (enabled == 0) return false;
  if (length <= 0 || buffer == nullptr) return false;
  const auto size = static_cast<std::uint32_t>(length);
  platform::Platform& context = platform::CurrentPlatform();
  context.ReleaseFinishedLateBlocks();
  BridgeBlock done(4);
  if (!done.valid()) return false;
  BridgeBlock data(size);
  if (!data.valid()) return false;
  std::memcpy(data.flat(), buffer, size);

  const auto word = DriverConfigCommandWord(command);
  if (!word || !RunDriverConfig(*word, data.vp(), done.vp())) return false;

  sim::Clock& clock = context.clock();
  const std::int64_t start = clock.NowMs();
  while (LoadAcquire(done.flat()) == 0) {
    // Past the limit the data block is never read: the driver may still be
    // at it, so both blocks stay its own until it signals.
    if (clock.NowMs() - start >= wait_limit_ms) {
      const std::uint32_t done_vp = done.vp();
      context.KeepLateBlocks(done_vp, {data.Release(), done.Release()});
      return false;
    }
    Sleep(1);
  }
  std::memcpy(buffer, data.flat(), size);
  return true;
}

bool DriverConfigCall(std::int32_t enabled, std::int32_t command, std::span<std::uint8_t> buffer,
                      std::int64_t wait_limit_ms) {
  if (buffer.size() > 0x7FFFFFFF) return false;
  return DriverConfigCall(enabled, command, buffer.data(), static_cast<std::int32_t>(buffer.size()),
                          wait_limit_ms);
}

std::array<std::uint8_t, 20> DriverStates::ToBytes() const {
  std::array<std::uint8_t, 20> bytes{};
  WriteLe32(bytes.data(), static_cast<std::uint32_t>(Status));
  for (int i = 0; i < 4; ++i) {
    WriteLe32(bytes.data() + 4 + 4 * i, static_cast<std::uint32_t>(CardStatus[i]));
  }
  return bytes;
}

DriverStates DriverStates::FromBytes(std::span<const std::uint8_t, 20> bytes) {
  DriverStates s;
  s.Status = static_cast<std::int32_t>(ReadLe32(bytes.data()));
  for (int i = 0; i < 4; ++i) {
    s.CardStatus[i] = static_cast<std::int32_t>(ReadLe32(bytes.data() + 4 + 4 * i));
  }
  return s;
}

bool GetDriverStates(std::int32_t enabled, DriverStates& states) {
  std::array<std::uint8_t, 20> bytes = states.ToBytes();
  const bool ok = DriverConfigCall(enabled, DRVCFG_GETSTATES, bytes);
  if (ok) states = DriverStates::FromBytes(bytes);
  return ok;
}

bool DriverReconfigurable(std::int32_t enabled) {
  std::array<std::uint8_t, 4> word{};
  return DriverConfigCall(enabled, DRVCFG_RECONFIGURABLE, word) && ReadLe32(word.data()) != 0;
}

}  // namespace driver
