#include "settings/pumps.h"

#include "ui/application.h"

namespace settings::pumps {

namespace {
void Pump() {
  if (ui::TApplication* app = ui::Application()) app->ProcessMessages();
}
}  // namespace

void AfterLoadingComponent() {
  Pump();
}

void AfterMixerBox() {
  Pump();
}

void BetweenPresetWindows() {
  Pump();
}

}  // namespace settings::pumps
