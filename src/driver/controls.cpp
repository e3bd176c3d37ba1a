#include "driver/controls.h"

#include "platform/wownt32.h"
#include "ui/exceptions.h"

namespace driver {

const ControlFormatRecord& ControlFormat() {
  static const ControlFormatRecord format = {{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 4},
                                             {'C', 'T', 'R', 'L'}};
  return format;
}

namespace {

void CheckSlot(int slot) {
  if (slot < 0 || slot >= kDeviceSlots) ui::Abort();
}

DWORD CallbackFlags(HWND notify) {
  return notify != nullptr ? CALLBACK_WINDOW : CALLBACK_NULL;
}

}  // namespace

void OpenRecControl(const CardTable& table, HWND notify, int slot, ControlHandle& handle) {
  CheckSlot(slot);
  HWAVEIN h = nullptr;
  const MMRESULT r =
      waveInOpen(&h, static_cast<UINT>(table.RecDeviceIds[slot]), &ControlFormat().format,
                 HandleValue(notify), 0, CallbackFlags(notify));
  if (r != MMSYSERR_NOERROR) ui::Abort();
  handle = HandleValue(h);
}

void OpenPlayControl(const CardTable& table, HWND notify, int slot, ControlHandle& handle) {
  CheckSlot(slot);
  HWAVEOUT h = nullptr;
  const MMRESULT r =
      waveOutOpen(&h, static_cast<UINT>(table.PlayDeviceIds[slot]), &ControlFormat().format,
                  HandleValue(notify), 0, CallbackFlags(notify));
  if (r != MMSYSERR_NOERROR) ui::Abort();
  handle = HandleValue(h);
}

void OpenControlRange(const CardTable& table, HWND notify, int kind, Direction dir, int first_ch,
                      int last_ch, int first_card, int last_card,
                      std::span<ControlHandle> handles) {
  const int pair_base = kind == kKindSpdif ? kSpdifPair : 0;
  if (last_card >= kMaxCards) last_card = kMaxCards - 1;
  std::size_t entry = 0;
  for (int card = first_card; card <= last_card; ++card) {
    for (int ch = first_ch; ch <= last_ch; ++ch) {
      if (entry >= handles.size()) ui::Abort();
      const int slot = SlotOf(card, pair_base + ch / 2);
      if (dir == Direction::Record) {
        OpenRecControl(table, notify, slot, handles[entry]);
      } else {
        OpenPlayControl(table, notify, slot, handles[entry]);
      }
      ++entry;
    }
  }
}

void CloseControls(Direction dir, int count, std::span<ControlHandle> handles) {
  const std::size_t n = count < 0 ? 0 : std::min<std::size_t>(count, handles.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (handles[i] == 0) continue;
    const MMRESULT r = dir == Direction::Record
                           ? waveInClose(HandleFromValue<HWAVEIN>(handles[i]))
                           : waveOutClose(HandleFromValue<HWAVEOUT>(handles[i]));
    if (r == MMSYSERR_NOERROR) handles[i] = 0;
  }
}

MMRESULT SendControlMessage(Direction dir, ControlHandle handle, UINT msg, DWORD_PTR param1) {
  return dir == Direction::Record
             ? waveInMessage(HandleFromValue<HWAVEIN>(handle), msg, param1, 0)
             : waveOutMessage(HandleFromValue<HWAVEOUT>(handle), msg, param1, 0);
}

SharedBuffer AllocSharedBuffer(DWORD size) {
  SharedBuffer buffer;
  WORD handle = 0;
  buffer.vp = WOWGlobalAllocLock16(GMEM_MOVEABLE | GMEM_ZEROINIT, size, &handle);
  if (buffer.vp == 0) return buffer;
  buffer.flat = static_cast<BYTE*>(WOWGetVDMPointer(buffer.vp, size, TRUE));
  buffer.size = buffer.flat != nullptr ? size : 0;
  return buffer;
}

void FreeSharedBuffer(SharedBuffer& buffer) {
  if (buffer.vp != 0) WOWGlobalUnlockFree16(buffer.vp);
  buffer = SharedBuffer{};
}

}  // namespace driver
