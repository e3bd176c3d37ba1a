#pragma once
// Deterministic test signals and the peak levels they produce, 0 to 32767.
// Each input source (Line, Mic, CD) and the playback and S/PDIF streams have
// their own slowly swelling signal; time comes from the clock, so the same
// state at the same time always gives the same level. Routing follows
// sim/routing; the gain words scale the levels in proportion (a picture of
// the mix for the meters, not the faders' dB scales of sim/gainlaw that the
// audio engine applies).
#include <cstdint>

#include "sim/cardstate.h"

namespace sim {

enum class Signal { Line = 0, Mic = 1, Cd = 2, Playback, Spdif };

// Amplitude 0..1 of a signal at time ms on the global channel number.
double SignalAmplitude(Signal signal, std::int64_t ms, int global_channel);

// Peak of input channel ch (0-7 analog, 8-9 S/PDIF) of a card.
std::int32_t InputPeak(const CardState& card, int card_index, int ch, std::int64_t ms);
// Peak of output channel ch: the playback stream at the pair's wave volume
// unless muted, plus the monitored input when the pair monitors it.
std::int32_t OutputPeak(const CardState& card, int card_index, int ch, std::int64_t ms);

}  // namespace sim
