#include "audio/cardports.h"

#include <algorithm>
#include <map>
#include <string>

namespace audio {
namespace {

constexpr const char* kLeftRight[kSpdif] = {"L", "R"};

}  // namespace

bool CardPorts::Register(jack_client_t* client) {
  bool ok = true;
  auto each = [&](auto& ports, const std::string& prefix, unsigned long flags, bool numbered) {
    for (std::size_t i = 0; i < ports.size(); ++i) {
      const std::string name = prefix + (numbered ? std::to_string(i + 1) : kLeftRight[i]);
      ports[i] = jack_port_register(client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags, 0);
      ok = ok && ports[i] != nullptr;
      all_.push_back(ports[i]);
    }
  };
  const unsigned long kIn = JackPortIsInput, kOut = JackPortIsOutput;
  // The card's connectors, then what programs record from and play through it.
  each(line_, "Line In ", kIn, true);
  each(mic_, "Mic In ", kIn, true);
  each(cd_, "CD In ", kIn, false);
  each(spdif_in_, "S/PDIF In ", kIn, false);
  each(out_, "Analog Out ", kOut, true);
  each(spdif_out_, "S/PDIF Out ", kOut, false);
  each(record_, "Record ", kOut, true);
  each(record_spdif_, "Record S/PDIF ", kOut, false);
  each(playback_, "Playback ", kIn, true);
  each(playback_spdif_, "Playback S/PDIF ", kIn, false);

  // Every way a signal can take, whichever the driver's state opens: each
  // source of a record channel to it and, monitored, on to the output;
  // the playback to its output; the digital ones straight through.
  for (int ch = 0; ch < kAnalog; ++ch) {
    for (jack_port_t* source : {line_[ch], mic_[ch], cd_[ch % 2]}) {
      paths_.push_back({source, record_[ch], kAdFrames});
      paths_.push_back({source, out_[ch], kAdFrames + kDaFrames});
    }
    paths_.push_back({playback_[ch], out_[ch], kDaFrames});
  }
  for (int i = 0; i < kSpdif; ++i) {
    paths_.push_back({spdif_in_[i], record_spdif_[i], 0});
    paths_.push_back({playback_spdif_[i], spdif_out_[i], 0});
  }
  return ok;
}

CardBuffers CardPorts::Buffers(jack_nframes_t nframes) const {
  CardBuffers b;
  auto in = [nframes](jack_port_t* p) {
    return static_cast<const float*>(jack_port_get_buffer(p, nframes));
  };
  auto out = [nframes](jack_port_t* p) {
    return static_cast<float*>(jack_port_get_buffer(p, nframes));
  };
  for (int ch = 0; ch < kAnalog; ++ch) {
    b.line[ch] = in(line_[ch]);
    b.mic[ch] = in(mic_[ch]);
    b.playback[ch] = in(playback_[ch]);
    b.out[ch] = out(out_[ch]);
    b.record[ch] = out(record_[ch]);
  }
  for (int i = 0; i < kSpdif; ++i) {
    b.cd[i] = in(cd_[i]);
    b.spdif_in[i] = in(spdif_in_[i]);
    b.playback_spdif[i] = in(playback_spdif_[i]);
    b.spdif_out[i] = out(spdif_out_[i]);
    b.record_spdif[i] = out(record_spdif_[i]);
  }
  return b;
}

void CardPorts::ReportLatency(jack_latency_callback_mode_t mode) const {
  // Capture: what leaves an output port has waited as long as what came
  // into the inputs that reach it, plus the way. Playback: what enters an
  // input port waits the way plus what follows the outputs it reaches.
  // Only ports that are connected on the far side count; a port none of
  // whose ways is connected reports the card's own delays.
  const bool capture = mode == JackCaptureLatency;
  struct Found {
    jack_latency_range_t range;
    bool connected;
  };
  std::map<jack_port_t*, Found> found;
  for (const Path& p : paths_) {
    jack_port_t* far = capture ? p.in : p.out;
    const bool connected = jack_port_connected(far) > 0;
    jack_latency_range_t before{};
    if (connected) jack_port_get_latency_range(far, mode, &before);
    const jack_latency_range_t range{before.min + p.delay, before.max + p.delay};
    auto [it, first] = found.try_emplace(capture ? p.out : p.in, Found{range, connected});
    Found& f = it->second;
    if (first || (connected && !f.connected)) {
      f = {range, connected};
    } else if (connected == f.connected) {
      f.range.min = std::min(f.range.min, range.min);
      f.range.max = std::max(f.range.max, range.max);
    }
  }
  for (auto& [port, f] : found) jack_port_set_latency_range(port, mode, &f.range);
}

}  // namespace audio
