// A driver that answers every read with arbitrary bytes while all five
// mixer windows are open and their meters poll: nothing crashes, every
// fader stays within its range and every meter's lamps within its scale.
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "common/headless_program.h"
#include "controls/levelmeter.h"
#include "controls/slider.h"
#include "fuzz_check.h"

namespace {

void CheckRanges(ui::TComponent& owner) {
  for (ui::TComponent* c : owner.ComponentList()) {
    if (auto* s = dynamic_cast<controls::TSlider*>(c)) {
      FUZZ_CHECK(s->Position() >= std::min(s->Min(), s->Max()));
      FUZZ_CHECK(s->Position() <= std::max(s->Min(), s->Max()));
    }
    if (auto* m = dynamic_cast<controls::TBarGraph*>(c)) {
      // The level is kept as the driver gave it; the lamps stay on the scale.
      FUZZ_CHECK(m->LitCount() >= 0 && m->LitCount() <= m->Count());
      FUZZ_CHECK(m->LitTop() >= 0 && m->LitTop() < std::max(1, m->Count()));
    }
    CheckRanges(*c);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / "morva_fuzz_answers";
    std::filesystem::create_directories(d);
    return d;
  }();
  testing_support::HeadlessProgram program(dir, 1 + data[0] % 2);
  std::size_t next = 1;
  program.system.SetAnswerOverride([&](std::uint32_t) {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) word = word << 8 | data[next++ % size];
    return word;
  });
  program.FindCards();
  for (int slot = 0; slot < shell::kMixerSlots; ++slot) program.OpenWindow(slot);
  program.Advance(450);
  CheckRanges(program.app);
  return 0;
}
