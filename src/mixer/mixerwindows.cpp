#include "mixer/mixerwindows.h"

#include "mixer/Ainp.h"
#include "mixer/Mon.h"

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
}

}  // namespace mixer
