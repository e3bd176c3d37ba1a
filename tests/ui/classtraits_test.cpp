// One rule finds what the program knows of a component's class: its own
// registration, else its nearest registered base's, facet by facet.
#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "ui/application.h"
#include "ui/classtraits.h"
#include "ui/controltraits.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/headless.h"
#include "ui/stdclasses.h"
#include "ui/stdctrls.h"

namespace ui {
namespace {

struct TUnregisteredBase : TPanel {
  using TPanel::TPanel;
};
struct TFramedPanel : TUnregisteredBase {
  using TUnregisteredBase::TUnregisteredBase;
};
struct TRegisteredPanel : TPanel {
  using TPanel::TPanel;
};
struct TOnUnregistered : TUnregisteredBase {
  using TUnregisteredBase::TUnregisteredBase;
};
struct Marker {
  int value = 0;
};

TEST(ClassTraits, NearestRegisteredClassAndFacetAnswerEachComponent) {
  HeadlessWidgetset ws;
  TApplication app{ws};
  static const bool registered = [] {
    RegisterStandardClasses();
    TraitsOfClass<TPanel>().Set(Marker{1});
    RegisterClass<TRegisteredPanel, TPanel>("TRegisteredPanel").Set(Marker{2});
    RegisterClass<TOnUnregistered, TPanel>("TOnUnregistered");
    return true;
  }();
  ASSERT_TRUE(registered);
  auto* form = Create<TForm>(&app);
  // What each component's traits are named, and its marker (0: none).
  const std::tuple<TComponent*, const char*, int> cases[] = {
      {Create<TPanel>(form), "TPanel", 1},
      {Create<TFramedPanel>(form), "TPanel", 1},                // unregistered: its base's
      {Create<TRegisteredPanel>(form), "TRegisteredPanel", 2},  // its own facet wins
      {Create<TOnUnregistered>(form), "TOnUnregistered", 1},    // a facet it leaves out
      {Create<TUnregisteredBase>(form), "TPanel", 1},
      {Create<TCheckBox>(form), "TCheckBox", 0},
      {form, "TForm", 0},
      {&app, "TComponent", 0},
  };
  for (auto [c, traits, marker] : cases) {
    EXPECT_EQ(TraitsOf(*c).Name(), traits) << traits;
    EXPECT_EQ(FacetOf<Marker>(*c) ? FacetOf<Marker>(*c)->value : 0, marker) << traits;
  }
  EXPECT_EQ(KindOf(*form), ControlKind::Window);
  EXPECT_EQ(KindOf(*Create<TFramedPanel>(form)), ControlKind::Pane);
}

TEST(ClassTraits, MistakesInRegistrationAreRefused) {
  RegisterStandardClasses();
  EXPECT_THROW((RegisterLayoutClass<TPanel, TWinControl>("TPanel")), std::logic_error);
  // Its base must be registered first.
  EXPECT_THROW((RegisterClass<TFramedPanel, TUnregisteredBase>("TFramedPanel")), std::logic_error);
  EXPECT_THROW(TraitsOfClass<TFramedPanel>(), std::logic_error);
  EXPECT_THROW(TraitsOfClass<TLabel>().Set(ShownAs(ControlKind::Label)), std::logic_error);
  ASSERT_NE(LayoutClass("TPanel"), nullptr);
  EXPECT_EQ(LayoutClass("TForm"), nullptr);  // no layout names a form inside a form
}

}  // namespace
}  // namespace ui
