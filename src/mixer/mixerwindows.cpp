#include "mixer/mixerwindows.h"

#include "mixer/Ainp.h"
#include "mixer/Dinp.h"
#include "mixer/Dout.h"
#include "mixer/Mon.h"
#include "mixer/Wavelv.h"

namespace mixer {

void RegisterMixerWindows(shell::AppState& app) {
  app.MixerFactories[static_cast<int>(shell::MixerSlot::AnalogInputs)] =
      [](ui::TComponent* owner, shell::AppState& a) -> shell::TMixerWindow* {
    return ui::CreateForm<TfrmAnalogInp>(owner, a);
  };
  app.MixerFactories[static_cast<int>(shell::MixerSlot::AnalogMonitors)] =
      [](ui::TComponent* owner, shell::AppState& a) -> shell::TMixerWindow* {
    return ui::CreateForm<TfrmMon>(owner, a);
  };
  app.MixerFactories[static_cast<int>(shell::MixerSlot::AnalogOutputs)] =
      [](ui::TComponent* owner, shell::AppState& a) -> shell::TMixerWindow* {
    return ui::CreateForm<TfrmWaveLevel>(owner, a);
  };
  app.MixerFactories[static_cast<int>(shell::MixerSlot::DigitalInput)] =
      [](ui::TComponent* owner, shell::AppState& a) -> shell::TMixerWindow* {
    return ui::CreateForm<TfrmDigInp>(owner, a);
  };
  app.MixerFactories[static_cast<int>(shell::MixerSlot::DigitalOutput)] =
      [](ui::TComponent* owner, shell::AppState& a) -> shell::TMixerWindow* {
    return ui::CreateForm<TfrmDigOut>(owner, a);
  };
}

}  // namespace mixer
