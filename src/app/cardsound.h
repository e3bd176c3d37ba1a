#pragma once
// The sound behind the simulated cards, as MORVA_SIM chooses it: with
// audio=jack each card becomes a JACK client; a card that cannot become one
// is absent, as a card whose driver does not answer, and a line on the error
// stream says why. A card whose audio server goes away while the program
// runs is removed: the system announces it with WM_DEVICECHANGE.
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "sim/system.h"
#include "ui/application.h"

namespace app {

class CardSound {
 public:
  // nullptr where the signal model makes the levels (the default).
  static std::unique_ptr<CardSound> Open(sim::System& system, std::ostream& err);
  virtual ~CardSound() = default;

  // Readable once a card's audio server has gone away; -1 if never.
  virtual int removal_fd() const = 0;
  // Posts the system's query to remove each card whose server went away
  // since the last call to every window of the program.
  virtual void AnnounceRemovals(ui::TApplication& app) = 0;
};

}  // namespace app
