#pragma once
// What the simulated system looks like: card count, extra devices, device
// order, the driver's answers and failures. Read from MORVA_SIM, for example
//   MORVA_SIM="cards=2 states=1,1,1,0,0 order=reverse bridge=hang"
// or set by tests through sim::System.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class Dir { In, Out };

// Late: the entry point completes only after the caller's time limit (six
// seconds of real time; under a virtual clock when the test lets it).
enum class BridgeMode { Ok, Fail, Hang, Late };

enum class DeviceOrder { System, Reverse, Shuffle };

// What makes the cards' signals: the deterministic signal model, or a JACK
// client per card that mixes real audio (where the program is built with it).
enum class Audio { Model, Jack };

struct ExtraDevice {
  Dir dir = Dir::In;
  std::uint16_t mid = 0;
  std::uint16_t pid = 0;
  std::string name;
  // A device of the card's identifiers that the driver does not serve (a
  // broken install) refuses control handles like a foreign one.
  bool served = true;
};

struct LevelPin {
  Dir dir = Dir::In;
  int card = 0;
  int ch = 0;              // 0-7 analog, 8-9 S/PDIF
  std::int32_t value = 0;  // -1 returns the channel to the signal model
};

struct Knobs {
  static constexpr int kMaxCards = 8;

  int cards = 1;
  bool foreign = true;  // one device of another maker per direction, as device 0
  std::optional<std::array<std::int32_t, 5>> states;
  std::vector<ExtraDevice> extra_devices;
  DeviceOrder order = DeviceOrder::System;
  std::uint32_t seed = 0;
  bool reconfigurable = true;
  BridgeMode bridge = BridgeMode::Ok;
  bool tray_ok = true;
  std::optional<std::size_t> arena_limit;
  std::vector<LevelPin> pins;
  std::filesystem::path config_dir;  // empty: the configuration stays in memory
  Audio audio = Audio::Model;
  // The program keeps the cards' mix where the driver stores its
  // configuration; fresh: the cards start from their power-on values and the
  // stored mix is left as it is.
  bool fresh_mixer = false;
  // With audio=jack: the connections of the cards' ports are remembered and
  // made again (off: neither), and after the audio server went away the
  // program waits for it and starts again (rejoin).
  bool remember_connections = true;
  bool rejoin = false;
};

// Parses blank-separated name=value knobs:
//   cards=N  foreign=0|1  states=S,C0,C1,C2,C3  order=reverse|system|SEED
//   reconfigurable=0|1  bridge=ok|fail|hang  tray=ok|fail  arena=BYTES
//   device=in|out,MID,PID,NAME (an underscore in NAME stands for a blank)
//   level=in|out,CARD,CH,VALUE  configdir=PATH  audio=model|jack
//   mixer=stored|fresh  connections=remember|off  rejoin=0|1
// Throws std::invalid_argument naming the knob that cannot be read.
Knobs ParseKnobs(std::string_view text);

// The knobs of the environment variable MORVA_SIM (defaults when unset).
Knobs KnobsFromEnvironment();

}  // namespace sim
