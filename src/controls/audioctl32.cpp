#include "controls/audioctl32.h"

#include "controls/Class_b.h"
#include "ui/layout.h"

namespace controls {

void RegisterControlClasses() {
  ui::RegisterComponentClass<TSlider>("TSlider");
  ui::RegisterComponentClass<TLumi>("TLumi");
  ui::RegisterComponentClass<TBarGraph>("TBarGraph");
  ui::RegisterComponentClass<TLevelMeter>("TLevelMeter");
  RegisterBilingualClasses();
}

}  // namespace controls
