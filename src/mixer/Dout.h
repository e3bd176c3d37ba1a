#pragma once
// TfrmDigOut: a stereo peak meter of every card's S/PDIF output, one meter
// pair per card side by side; the playback twin of the digital input
// window, on wave-out control handles with the playback metering messages.
#include "mixer/Dinp.h"

namespace mixer {

class TfrmDigOut : public TDigitalMeterForm {
 public:
  TfrmDigOut(ui::TComponent* owner, shell::AppState& app);
  const char* ClassName() const override { return "TfrmDigOut"; }
  std::string LayoutName() const override { return "Dout.form"; }
};

}  // namespace mixer
