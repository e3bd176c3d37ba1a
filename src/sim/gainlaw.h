#pragma once
// The gains the faders set, as their scales read them. A mixer window puts
// a fader's thumb at a whole pixel of its travel for the gain word it sends
// or reads; the scale labels beside the fader give the value there, read
// between the two nearest labels, and the fader's tool tip shows it. The
// card applies exactly that value, so what the eye reads and the ear hears
// agree. The laws are written down in docs/GAIN.md; a test holds them to the
// windows' own tool tips at every pixel.
#include <cstdint>

namespace sim {

enum class Fader {
  Input,    // input gain word: 0 dB at the bottom to +22.5 dB at the top
  Monitor,  // monitor gain word: -35 dB to +12 dB
  Output,   // wave volume word: no sound at the bottom, -40 dB to 0 dB
};

// The fader position a window shows for the word (0-32767, or 0-511 for
// the output faders).
int FaderPosition(Fader fader, std::uint16_t word);
// The pixel of the thumb's travel above its lowest place (0-100).
int ThumbOffset(Fader fader, int position);
// The scale's value at that pixel in dB; minus infinity for no sound.
double ScaleDb(Fader fader, int offset);

// The gain a word stands for: in dB, and as a factor on the samples.
double GainDb(Fader fader, std::uint16_t word);
float GainFactor(Fader fader, std::uint16_t word);

}  // namespace sim
