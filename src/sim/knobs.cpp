#include "sim/knobs.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace sim {
namespace {

std::vector<std::string_view> Split(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t pos = text.find(sep, start);
    parts.push_back(text.substr(start, pos == std::string_view::npos ? pos : pos - start));
    if (pos == std::string_view::npos) return parts;
    start = pos + 1;
  }
}

[[noreturn]] void Bad(std::string_view token) {
  throw std::invalid_argument("MORVA_SIM: cannot read '" + std::string(token) + "'");
}

template <typename T>
T Number(std::string_view text, std::string_view token) {
  T value{};
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) Bad(token);
  return value;
}

bool Flag(std::string_view text, std::string_view token) {
  if (text == "1" || text == "ok") return true;
  if (text == "0" || text == "fail") return false;
  Bad(token);
}

Dir Direction(std::string_view text, std::string_view token) {
  if (text == "in") return Dir::In;
  if (text == "out") return Dir::Out;
  Bad(token);
}

void Apply(Knobs& k, std::string_view token) {
  const std::size_t eq = token.find('=');
  if (eq == std::string_view::npos) Bad(token);
  const std::string_view name = token.substr(0, eq);
  const std::string_view value = token.substr(eq + 1);
  if (name == "cards") {
    k.cards = Number<int>(value, token);
    if (k.cards < 0 || k.cards > Knobs::kMaxCards) Bad(token);
  } else if (name == "foreign") {
    k.foreign = Flag(value, token);
  } else if (name == "states") {
    const auto parts = Split(value, ',');
    if (parts.size() != 5) Bad(token);
    std::array<std::int32_t, 5> states{};
    for (std::size_t i = 0; i < 5; ++i) states[i] = Number<std::int32_t>(parts[i], token);
    k.states = states;
  } else if (name == "order") {
    if (value == "reverse") {
      k.order = DeviceOrder::Reverse;
    } else if (value == "system") {
      k.order = DeviceOrder::System;
    } else {
      k.order = DeviceOrder::Shuffle;
      k.seed = Number<std::uint32_t>(value, token);
    }
  } else if (name == "reconfigurable") {
    k.reconfigurable = Flag(value, token);
  } else if (name == "bridge") {
    if (value == "ok")
      k.bridge = BridgeMode::Ok;
    else if (value == "fail")
      k.bridge = BridgeMode::Fail;
    else if (value == "hang")
      k.bridge = BridgeMode::Hang;
    else if (value == "late")
      k.bridge = BridgeMode::Late;
    else
      Bad(token);
  } else if (name == "tray") {
    k.tray_ok = Flag(value, token);
  } else if (name == "arena") {
    k.arena_limit = Number<std::size_t>(value, token);
  } else if (name == "device") {
    const auto parts = Split(value, ',');
    if (parts.size() != 4) Bad(token);
    ExtraDevice d{Direction(parts[0], token), Number<std::uint16_t>(parts[1], token),
                  Number<std::uint16_t>(parts[2], token), std::string(parts[3])};
    for (char& c : d.name) {
      if (c == '_') c = ' ';
    }
    k.extra_devices.push_back(std::move(d));
  } else if (name == "level") {
    const auto parts = Split(value, ',');
    if (parts.size() != 4) Bad(token);
    k.pins.push_back(LevelPin{Direction(parts[0], token), Number<int>(parts[1], token),
                              Number<int>(parts[2], token), Number<std::int32_t>(parts[3], token)});
  } else if (name == "configdir") {
    k.config_dir = std::filesystem::path(std::string(value));
  } else if (name == "audio") {
    if (value == "model")
      k.audio = Audio::Model;
    else if (value == "jack")
      k.audio = Audio::Jack;
    else
      Bad(token);
  } else if (name == "mixer") {
    if (value != "stored" && value != "fresh") Bad(token);
    k.fresh_mixer = value == "fresh";
  } else if (name == "connections") {
    if (value != "remember" && value != "off") Bad(token);
    k.remember_connections = value == "remember";
  } else if (name == "rejoin") {
    k.rejoin = Flag(value, token);
  } else {
    Bad(token);
  }
}

}  // namespace

Knobs ParseKnobs(std::string_view text) {
  Knobs knobs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    std::size_t end = pos;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
    if (end > pos) Apply(knobs, text.substr(pos, end - pos));
    pos = end;
  }
  return knobs;
}

Knobs KnobsFromEnvironment() {
  const char* text = std::getenv("MORVA_SIM");
  return text == nullptr ? Knobs{} : ParseKnobs(text);
}

}  // namespace sim
