#pragma once
// Control handles on the cards' wave devices and the 16-bit buffers through
// which the driver answers.
#include <cstdint>
#include <span>

#include "driver/cardtable.h"
#include "platform/mmsystem.h"

namespace driver {

enum class Direction { Record, Playback };

// A wave-in or wave-out handle opened with ControlFormat; 0 is no handle.
using ControlHandle = std::uintptr_t;

// Kinds of handle range: the pair within the card at which a range starts.
constexpr int kKindAnalog = 0;  // channel ch of the card is in pair ch div 2
constexpr int kKindSpdif = 1;   // the S/PDIF pair, channels 0 and 1

#pragma pack(push, 1)
struct ControlFormatRecord {
  WAVEFORMATEX format;
  char extra[4];
};
#pragma pack(pop)
static_assert(sizeof(ControlFormatRecord) == 22);

// PCM, 44100 Hz, 16 bit, stereo, followed by the four characters "CTRL".
const ControlFormatRecord& ControlFormat();

// Open the device of the slot with the control format. With a notification
// window the window gets the device's notifications (CALLBACK_WINDOW). A
// failure (including a slot outside the table) raises the silent abort.
void OpenRecControl(const CardTable& table, HWND notify, int slot, ControlHandle& handle);
void OpenPlayControl(const CardTable& table, HWND notify, int slot, ControlHandle& handle);

// Opens, card by card and within a card channel by channel, the handles of
// channels first_ch..last_ch of cards first_card..last_card into handles
// from entry 0. Cards from kMaxCards on are never opened, and an array too
// short for the range raises the silent abort rather than being overrun.
void OpenControlRange(const CardTable& table, HWND notify, int kind, Direction dir, int first_ch,
                      int last_ch, int first_card, int last_card, std::span<ControlHandle> handles);

// Closes the first count nonzero entries; an entry whose close succeeded
// becomes 0, one whose close failed keeps its handle.
void CloseControls(Direction dir, int count, std::span<ControlHandle> handles);

// waveInMessage or waveOutMessage with dwParam2 = 0.
MMRESULT SendControlMessage(Direction dir, ControlHandle handle, UINT msg, DWORD_PTR param1);

// A locked block of 16-bit global memory: its 16:16 pointer for the driver
// and for freeing, and a flat pointer for our own reads and writes.
struct SharedBuffer {
  DWORD vp = 0;
  BYTE* flat = nullptr;
  DWORD size = 0;

  // False when the allocation or the translation failed; callers then leave
  // out the driver messages that need the buffer.
  bool valid() const { return vp != 0 && flat != nullptr; }
  // The 16:16 pointer offset bytes into the buffer.
  DWORD At(DWORD offset) const { return vp + offset; }
};

// Allocates with GMEM_MOVEABLE | GMEM_ZEROINIT and translates once.
SharedBuffer AllocSharedBuffer(DWORD size);
// Frees the block (if any) and leaves the buffer invalid.
void FreeSharedBuffer(SharedBuffer& buffer);

}  // namespace driver
