#include "remote/midi.h"

#include <cmath>
#include <cstdio>
#include <iostream>

#include "remote/controlvalue.h"
#include "remote/requests.h"

namespace remote {

namespace {

constexpr std::uint8_t kNoteOff = 0x80, kNoteOn = 0x90, kControlChange = 0xB0;
constexpr int kOnFrom = 64;
// Of many bad messages, one line in so many.
constexpr unsigned kLogEvery = 100;

std::optional<Address> AddressOfText(const std::string& path) {
  std::string why;
  return ParseAddress(path, why);
}

}  // namespace

MidiEndpoint::MidiEndpoint(ControlSurface& surface, RequestQueue& requests, MidiMap& map,
                           const sim::Clock& clock, Send send)
    : surface_(surface), requests_(requests), map_(map), clock_(clock), send_(std::move(send)) {
  subscription_ = surface_.Subscribe(
      "", [this](const std::string& a, const std::string& v) { Tell(a, v); }, false);
}

MidiEndpoint::~MidiEndpoint() {
  surface_.Unsubscribe(subscription_);
}

void MidiEndpoint::Receive(int card, const std::uint8_t* bytes, std::size_t size) {
  if (size >= 1 && bytes[0] >= 0xF0) return;  // system messages: clock, sensing, SysEx
  const std::uint8_t kind = size >= 1 ? bytes[0] & 0xF0 : 0;
  const bool complete = size == 3 && bytes[0] >= 0x80 && bytes[1] < 0x80 && bytes[2] < 0x80;
  if (!complete) {
    if (dropped_++ % kLogEvery == 0)
      std::cerr << "morva-manager: MIDI: a message that is none was dropped (" << dropped_
                << " so far)\n";
    return;
  }
  if (kind != kControlChange && kind != kNoteOn) return;  // note off, bends, programs
  const MidiControl c{card, bytes[0] & 0x0F, kind == kNoteOn, bytes[1]};
  const int data = bytes[2];
  if (c.note && data == 0) return;  // a note on with velocity 0 is a note off
  const bool queued = requests_.Submit([this, c, data] { Work(c, data); });
  if (!queued) std::cerr << "morva-manager: MIDI: too many requests wait; one was dropped\n";
}

void MidiEndpoint::Work(const MidiControl& c, int data) {
  const bool note = c.note;
  if (learn_until_ >= 0 && clock_.NowMs() <= learn_until_) {
    learn_until_ = -1;
    map_.Learn(c, learning_);
    const bool saved = map_.Save();
    std::cerr << "morva-manager: MIDI: " << Describe(c) << " of card " << c.card + 1
              << " now works " << learning_.address
              << (saved ? "" : " (not kept: the settings folder takes no file)") << "\n";
    if (const Reply r = surface_.Get(learning_.address); r.ok) Tell(learning_.address, r.text);
    return;
  }
  const auto target = map_.TargetOf(c);
  const auto a = target ? AddressOfText(target->address) : std::nullopt;
  if (!a) return;
  Reply r;
  switch (KindOf(a->what)) {
    case ValueKind::kDecibels: {
      if (note) return;
      // The controller's fader stands for the thumb's place.
      const int pixel = static_cast<int>(std::lround(data * kFaderPixels / 127.0));
      char text[32];
      std::snprintf(text, sizeof text, "%.4f", ReadingAt(FaderLaw(a->window), pixel));
      r = surface_.Set(target->address,
                       std::isinf(ReadingAt(FaderLaw(a->window), pixel)) ? "-inf" : text);
      break;
    }
    case ValueKind::kSwitch: {
      bool on = data >= kOnFrom;
      if (note) {
        const Reply now = surface_.Get(target->address);
        if (!now.ok) return;
        on = now.text != "on";
      }
      r = surface_.Set(target->address, SwitchText(on));
      break;
    }
    case ValueKind::kSource:
    case ValueKind::kMode:
      if (data < kOnFrom && !note) return;
      r = surface_.Set(target->address, target->value);
      break;
    case ValueKind::kLevel:
      return;
  }
  if (!r.ok)
    std::cerr << "morva-manager: MIDI: " << Describe(c) << ": " << target->address << ": " << r.text
              << "\n";
}

// A change goes back to every MIDI control that works the address.
void MidiEndpoint::Tell(const std::string& address, const std::string& value) {
  for (const MidiControl& c : map_.ControlsOf(address)) {
    const auto target = map_.TargetOf(c);
    if (!target) continue;
    const std::uint8_t data = DataOf(address, value, *target);
    const std::uint8_t status =
        static_cast<std::uint8_t>((c.note ? kNoteOn : kControlChange) | c.channel);
    send_(c.card, {status, static_cast<std::uint8_t>(c.number), data});
  }
}

std::uint8_t MidiEndpoint::DataOf(const std::string& address, const std::string& value,
                                  const MidiTarget& target) const {
  const auto a = AddressOfText(address);
  if (!a) return 0;
  switch (KindOf(a->what)) {
    case ValueKind::kDecibels: {
      const auto db = ParseDecibels(value);
      const int pixel = db ? PixelOf(FaderLaw(a->window), *db) : 0;
      return static_cast<std::uint8_t>(std::lround(pixel * 127.0 / kFaderPixels));
    }
    case ValueKind::kSwitch:
      return value == "on" ? 127 : 0;
    case ValueKind::kSource:
    case ValueKind::kMode:
      return value == target.value ? 127 : 0;
    case ValueKind::kLevel:
      break;
  }
  return 0;
}

Reply MidiEndpoint::Learn(const std::string& address, const std::string& value) {
  std::string why;
  const auto a = ParseAddress(address, why);
  if (!a) return Reply::Error(why);
  const ValueKind kind = KindOf(a->what);
  if (kind == ValueKind::kLevel) return Reply::Error("a meter is read only");
  const bool chooses = kind == ValueKind::kSource || kind == ValueKind::kMode;
  if (chooses == value.empty())
    return Reply::Error(chooses ? "say which source or mode the control chooses"
                                : "a value goes only with a source or a mode");
  learning_ = {address, value};
  learn_until_ = clock_.NowMs() + kLearnMs;
  return {true, "move a knob, fader or button of the controller within 30 s"};
}

Reply MidiEndpoint::Forget(const std::string& address) {
  const int n = map_.Forget(address);
  if (n == 0) return Reply::Error("nothing was learned for " + address);
  if (!map_.Save()) return Reply::Error("the settings folder takes no file");
  return {true, std::to_string(n) + " forgotten"};
}

std::string MidiEndpoint::Learned() const {
  std::string out;
  for (const auto& [c, t] : map_.learned())
    out += KeyOf(c) + " " + t.address + (t.value.empty() ? "" : " " + t.value) + "\n";
  return out;
}

}  // namespace remote
