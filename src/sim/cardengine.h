#pragma once
// What stands behind the simulated cards when they move real samples (the
// knob audio=jack): the driver tells it every change of a card's state and
// asks it for the peaks its meters show. Without one, the signal model makes
// up the levels.
#include <cstdint>

#include "sim/cardstate.h"
#include "sim/knobs.h"

namespace sim {

class CardEngine {
 public:
  virtual ~CardEngine() = default;
  // Whether the engine moves the samples of this card.
  virtual bool Serves(int card) const = 0;
  // The driver's state of a card it serves has changed. Called on the thread
  // that sends the driver messages.
  virtual void StateChanged(int card, const CardState& state) = 0;
  // The peak of a channel (0-7 analog, 8-9 S/PDIF) since the last call,
  // 0 to 32767 for full scale.
  virtual std::int32_t TakePeak(Dir dir, int card, int ch) = 0;
};

}  // namespace sim
