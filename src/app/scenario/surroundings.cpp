#include "scenario/surroundings.h"

#include "mixer/mixerwindows.h"

namespace scenario {

Surroundings::Surroundings(int cards, const Folders& folders) : SimSurroundings(cards, folders) {
  mixer::RegisterMixerWindows(state);
}

}  // namespace scenario
