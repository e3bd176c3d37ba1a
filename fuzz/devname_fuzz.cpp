// Any device name: the channel-pair parser either names a card and pair or
// raises its conversion error; the S/PDIF parser gives -1 or a card 0 to 3.
#include <cstdint>
#include <string_view>

#include "driver/cardtable.h"
#include "fuzz_check.h"
#include "ui/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  try {
    int pair = 0;
    const int card = driver::DevNameChannelPairToCardId(name, 8, pair);
    FUZZ_CHECK(pair >= -4 && pair <= 3);
    (void)card;
  } catch (const ui::EConvertError&) {
  }
  const int spdif = driver::DevNameSpdifToCardId(name);
  FUZZ_CHECK(spdif >= -1 && spdif <= 3);
  return 0;
}
