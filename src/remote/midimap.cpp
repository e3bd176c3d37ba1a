#include "remote/midimap.h"

#include <algorithm>

#include "settings/inifile.h"

namespace remote {

namespace {

constexpr const char* kSettingsFile = "MorvaRemote.ini";
constexpr const char* kSection = "MIDI";
constexpr int kMaxCards = 4;

std::string Pair(int left) {
  return std::to_string(left + 1) + "-" + std::to_string(left + 2);
}

// A whole number from 0 to max, nothing else.
std::optional<int> Number(const std::string& s, int max) {
  if (s.empty() || s.size() > 3) return std::nullopt;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v <= max ? std::optional<int>(v) : std::nullopt;
}

}  // namespace

std::string KeyOf(const MidiControl& c) {
  return std::to_string(c.card + 1) + "." + std::to_string(c.channel + 1) +
         (c.note ? ".note." : ".cc.") + std::to_string(c.number);
}

std::optional<MidiControl> ControlOfKey(const std::string& key) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (std::size_t dot; (dot = key.find('.', at)) != std::string::npos; at = dot + 1)
    parts.push_back(key.substr(at, dot - at));
  parts.push_back(key.substr(at));
  if (parts.size() != 4 || (parts[2] != "cc" && parts[2] != "note")) return std::nullopt;
  const auto card = Number(parts[0], kMaxCards), channel = Number(parts[1], 16),
             number = Number(parts[3], 127);
  if (!card || !channel || !number || *card < 1 || *channel < 1) return std::nullopt;
  return MidiControl{*card - 1, *channel - 1, parts[2] == "note", *number};
}

std::string Describe(const MidiControl& c) {
  return (c.note ? "note " : "control change ") + std::to_string(c.number) + " on MIDI channel " +
         std::to_string(c.channel + 1);
}

MidiMap::MidiMap(int cards) {
  for (int card = 0; card < std::min(cards, kMaxCards); ++card) {
    const std::string base = "/card/" + std::to_string(card + 1);
    auto add = [&](int channel, bool note, int number, std::string address, std::string value) {
      defaults_[{card, channel, note, number}] = {std::move(address), std::move(value)};
    };
    const char* windows[] = {"/inputs/", "/monitor/", "/outputs/"};
    for (int w = 0; w < 3; ++w) {
      for (int ch = 0; ch < 8; ++ch)
        add(w, false, 1 + ch, base + windows[w] + std::to_string(ch + 1) + "/fader", "");
      for (int p = 0; p < 4; ++p)
        add(w, false, 9 + p, base + windows[w] + Pair(2 * p) + "/link", "");
    }
    for (int ch = 0; ch < 8; ++ch) {
      const std::string source = base + "/inputs/" + std::to_string(ch + 1) + "/source";
      add(0, true, ch, source, "Line");
      add(0, true, 8 + ch, source, "Mic");
      add(2, true, ch, base + "/outputs/" + std::to_string(ch + 1) + "/mute", "");
    }
    add(0, true, 16, base + "/inputs/3/source", "CD");
    const char* modes[] = {"On", "OnPunch", "OnRec"};
    for (int p = 0; p < 4; ++p) {
      const std::string pair = base + "/monitor/" + Pair(2 * p);
      for (int m = 0; m < 3; ++m) add(1, true, 4 * m + p, pair + "/mode", modes[m]);
      add(1, true, 12 + p, pair + "/mute-play", "");
    }
  }
}

std::optional<MidiTarget> MidiMap::TargetOf(const MidiControl& c) const {
  if (auto it = learned_.find(c); it != learned_.end()) return it->second;
  if (auto it = defaults_.find(c); it != defaults_.end()) return it->second;
  return std::nullopt;
}

std::vector<MidiControl> MidiMap::ControlsOf(const std::string& address) const {
  std::vector<MidiControl> out;
  for (const auto* map : {&learned_, &defaults_})
    for (const auto& [c, t] : *map)
      if (t.address == address && TargetOf(c) == t &&
          std::find(out.begin(), out.end(), c) == out.end())
        out.push_back(c);
  return out;
}

void MidiMap::Learn(const MidiControl& c, const MidiTarget& t) {
  learned_[c] = t;
}

int MidiMap::Forget(const std::string& address) {
  return static_cast<int>(
      std::erase_if(learned_, [&](const auto& entry) { return entry.second.address == address; }));
}

void MidiMap::Load() {
  learned_.clear();
  settings::TIniFile ini(kSettingsFile);
  if (!ini.Readable()) return;
  for (const std::string& key : ini.profile().document().KeyNames(kSection)) {
    const auto c = ControlOfKey(key);
    const std::string text = ini.ReadString(kSection, key, "");
    const std::size_t blank = text.find(' ');
    if (!c || text.empty()) continue;
    learned_[*c] = {text.substr(0, blank),
                    blank == std::string::npos ? std::string() : text.substr(blank + 1)};
  }
}

bool MidiMap::Save() const {
  try {
    settings::TIniFile ini(kSettingsFile);
    ini.EraseSection(kSection);
    for (const auto& [c, t] : learned_)
      ini.WriteString(kSection, KeyOf(c), t.value.empty() ? t.address : t.address + " " + t.value);
    ini.UpdateFile();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace remote
