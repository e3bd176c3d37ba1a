// Every registered class (each class the layout reader makes, and the bases
// that forms and other classes fall back to) says what every part of the
// program needs of it: its peer, what its user meets, what is stored, how
// it is cloned and renumbered, how it is dumped and set, what a screen
// reader calls it. A twin says only where it differs from its base.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mixer/clonenumbers.h"
#include "qt/accessiblenames.h"
#include "scenario/scenariotraits.h"
#include "settings/settingstraits.h"
#include "ui/classtraits.h"
#include "ui/controltraits.h"

namespace qt {
namespace {

template <typename F>
void Need(const ui::ClassTraits& t, const char* facet, std::vector<std::string>& missing) {
  if (!t.Twin() && !t.Own<F>()) missing.push_back(t.Name() + ": " + facet);
}

TEST(ClassTraits, EveryRegisteredClassStatesEveryFacet) {
  settings::RegisterSettingsTraits();
  mixer::RegisterCloneNumbering();
  scenario::RegisterScenarioTraits();
  RegisterAccessibleNames();
  std::vector<std::string> missing;
  int in_layouts = 0;
  for (const ui::ClassTraits* t : ui::RegisteredClasses()) {
    in_layouts += t->InLayouts();
    Need<ui::PeerFacet>(*t, "peer", missing);
    Need<ui::UserFacet>(*t, "user", missing);
    Need<settings::StateFacet>(*t, "state", missing);
    Need<settings::CloneFacet>(*t, "clone", missing);
    Need<mixer::CloneNumbering>(*t, "renumber", missing);
    Need<scenario::DescribeFacet>(*t, "describe", missing);
    Need<scenario::SetFacet>(*t, "set", missing);
    Need<NameFacet>(*t, "name", missing);
  }
  EXPECT_EQ(missing, std::vector<std::string>{});
  EXPECT_GE(in_layouts, 27);  // 17 of the framework, 4 meter and fader classes, 6 twins
}

}  // namespace
}  // namespace qt
