// Every registered class says what every part of the program needs of it
// (peer, user, stored state, cloning, renumbering, dump and set, screen
// reader name); a twin says only where it differs from its base.
#include <gtest/gtest.h>

#include <string>

#include "mixer/clonenumbers.h"
#include "qt/accessiblenames.h"
#include "scenario/scenariotraits.h"
#include "settings/settingstraits.h"
#include "ui/classtraits.h"
#include "ui/controltraits.h"

namespace qt {
namespace {

template <typename F>
std::string Lacks(const ui::ClassTraits& t, const char* facet) {
  return t.Twin() || t.Own<F>() ? "" : t.Name() + ": " + facet + "; ";
}

TEST(ClassTraits, EveryRegisteredClassStatesEveryFacet) {
  settings::RegisterSettingsTraits();
  mixer::RegisterCloneNumbering();
  scenario::RegisterScenarioTraits();
  RegisterAccessibleNames();
  std::string missing;
  int in_layouts = 0;
  for (const ui::ClassTraits* t : ui::RegisteredClasses()) {
    in_layouts += t->InLayouts();
    missing += Lacks<ui::PeerFacet>(*t, "peer") + Lacks<ui::UserFacet>(*t, "user") +
               Lacks<settings::StateFacet>(*t, "state") + Lacks<settings::CloneFacet>(*t, "clone") +
               Lacks<mixer::CloneNumbering>(*t, "renumber") +
               Lacks<scenario::DescribeFacet>(*t, "describe") +
               Lacks<scenario::SetFacet>(*t, "set") + Lacks<NameFacet>(*t, "name");
  }
  EXPECT_EQ(missing, "");
  EXPECT_GE(in_layouts, 27);  // 17 of the framework, 4 meter and fader classes, 6 twins
}

}  // namespace
}  // namespace qt
