// morva-cards: shows what the driver access layer finds on the simulated
// system: the driver's states (and the boxes they would raise), the wave
// devices, the card table, and each pair's driver state read back through
// control handles. Knobs come from MORVA_SIM, e.g. MORVA_SIM="cards=2".
#include <cstdio>
#include <exception>
#include <string>

#include "driver/bridge.h"
#include "driver/cardtable.h"
#include "driver/controls.h"
#include "driver/messages.h"
#include "driver/status.h"
#include "platform/mmsystem.h"
#include "platform/platform.h"
#include "platform/simbackend.h"
#include "platform/windir.h"
#include "sim/clock.h"
#include "sim/knobs.h"
#include "sim/system.h"
#include "ui/exceptions.h"

namespace {

// Message boxes are printed instead of shown.
class PrintingBoxes : public platform::MessageBoxService {
 public:
  int Show(HWND, const std::string& text, const std::string& caption, UINT flags) override {
    std::string shown;
    for (char c : text) {
      if (c == '\r')
        shown += "\\r";
      else if (c == '\n')
        shown += "\\n";
      else
        shown += c;
    }
    std::printf("box \"%s\" 0x%02X \"%s\"\n", caption.c_str(), flags, shown.c_str());
    return platform::FirstButton(flags);
  }
};

void PrintDevices() {
  std::printf("record devices:\n");
  for (UINT id = 0; id < waveInGetNumDevs(); ++id) {
    WAVEINCAPSA caps{};
    waveInGetDevCapsA(id, &caps, sizeof caps);
    std::printf("  dev%u mid=%u pid=%u \"%s\"\n", id, caps.wMid, caps.wPid, caps.szPname);
  }
  std::printf("playback devices:\n");
  for (UINT id = 0; id < waveOutGetNumDevs(); ++id) {
    WAVEOUTCAPSA caps{};
    waveOutGetDevCapsA(id, &caps, sizeof caps);
    std::printf("  dev%u mid=%u pid=%u \"%s\"\n", id, caps.wMid, caps.wPid, caps.szPname);
  }
}

void PrintTable(const driver::CardTable& t) {
  std::printf("card table: RecDeviceCount=%d PlayDeviceCount=%d CardCount=%d CardsPresent=%d\n",
              t.RecDeviceCount, t.PlayDeviceCount, t.CardCount, t.CardsPresent ? 1 : 0);
  for (int card = 0; card < t.CardCount; ++card) {
    std::printf("  card %d devnode=0x%08X\n", card, t.CardDevNodes[card]);
    for (int pair = 0; pair < driver::kPairsPerCard; ++pair) {
      const int slot = driver::SlotOf(card, pair);
      std::printf("    slot %d record=dev%d playback=dev%d\n", slot, t.RecDeviceIds[slot],
                  t.PlayDeviceIds[slot]);
    }
  }
}

// Reads one pair's state from the driver through a control handle per direction.
void PrintPair(const driver::CardTable& t, int card, int pair, driver::SharedBuffer& buf) {
  using driver::Direction;
  driver::ControlHandle in = 0;
  driver::ControlHandle out = 0;
  driver::OpenRecControl(t, nullptr, driver::SlotOf(card, pair), in);
  driver::OpenPlayControl(t, nullptr, driver::SlotOf(card, pair), out);
  auto get = [&](Direction dir, driver::ControlHandle h, UINT msg) {
    driver::WriteLe32(buf.flat, 0);
    driver::SendControlMessage(dir, h, msg, buf.vp);
    return driver::ReadLe32(buf.flat);
  };
  std::printf(
      "  card %d pair %d ingain=0x%08X inpair=0x%08X mongain=0x%08X gate=0x%08X "
      "volume=0x%08X mute=0x%08X\n",
      card, pair, get(Direction::Record, in, driver::MSG_GET_IN_GAIN),
      get(Direction::Record, in, driver::MSG_GET_IN_PAIR),
      get(Direction::Record, in, driver::MSG_GET_MON_GAIN),
      get(Direction::Record, in, driver::MSG_GET_MON_GATE),
      get(Direction::Playback, out, driver::DRV_WODM_GETVOLUME),
      get(Direction::Playback, out, driver::MSG_GET_OUT_MUTE));
  driver::ControlHandle handles[2] = {in, 0};
  driver::CloseControls(Direction::Record, 1, handles);
  handles[0] = out;
  driver::CloseControls(Direction::Playback, 1, handles);
}

}  // namespace

int main() {
  sim::Knobs knobs;
  try {
    knobs = sim::KnobsFromEnvironment();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "morva-cards: %s\n", e.what());
    return 2;
  }
  sim::RealClock clock;
  sim::System system(clock, knobs);
  // The driver's mix as it restores it at boot.
  if (!knobs.fresh_mixer) system.RestoreMixerState(platform::WindowsDirectory());
  platform::SimBackend backend(system);
  platform::Platform platform(backend);
  PrintingBoxes boxes;
  platform.set_message_boxes(&boxes);
  platform::ScopedPlatform scope(platform);

  driver::DriverStates states;
  const bool answered = driver::GetDriverStates(1, states);
  std::printf("driver states%s: Status=%d CardStatus=%d,%d,%d,%d\n", answered ? "" : " (no answer)",
              states.Status, states.CardStatus[0], states.CardStatus[1], states.CardStatus[2],
              states.CardStatus[3]);
  driver::CheckDriverStates(states);

  PrintDevices();
  driver::CardTable table;
  try {
    driver::DiscoverCards(table);
  } catch (const ui::EAbort&) {
    std::printf("discovery ended early: a device-node query could not open its handle\n");
  } catch (const ui::Exception& e) {
    std::printf("discovery ended early: %s\n", e.what());
  }
  PrintTable(table);

  driver::SharedBuffer buf = driver::AllocSharedBuffer(8);
  if (!buf.valid()) {
    std::printf("no 16-bit memory for reading the pairs\n");
    return 1;
  }
  std::printf("pairs:\n");
  for (int card = 0; card < table.CardCount; ++card) {
    for (int pair = 0; pair < driver::kPairsPerCard; ++pair) {
      try {
        PrintPair(table, card, pair, buf);
      } catch (const ui::EAbort&) {
        std::printf("  card %d pair %d: control handle could not be opened\n", card, pair);
      }
    }
  }
  driver::FreeSharedBuffer(buf);
  return 0;
}
