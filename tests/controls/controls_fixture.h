#pragma once
// A headless application with one plain form per test, on a fresh
// simulated platform with a virtual clock (the meters' timers need one).
#include <gtest/gtest.h>

#include <string>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "platform/sim_fixture.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless.h"

namespace controls_test {

// A form whose layout handlers record what they were called with.
class TTestForm : public ui::TForm {
 public:
  explicit TTestForm(ui::TComponent* owner) : ui::TForm(owner) {
    Handler("SliderChange", &TTestForm::SliderChange);
    Handler("BoxClick", &TTestForm::BoxClick);
    Handler("ButtonDown", &TTestForm::ButtonDown);
  }
  const char* ClassName() const override { return "TTestForm"; }
  void SliderChange(ui::TComponent* s) {
    log += "change " + s->Name() + "=" +
           std::to_string(static_cast<controls::TSlider*>(s)->Position()) + ";";
  }
  void BoxClick(ui::TComponent* s) { log += "click " + s->Name() + ";"; }
  void ButtonDown(ui::TComponent* s) { log += "down " + s->Name() + ";"; }
  std::string log;
};

class ControlsTest : public testing_support::SimPlatformTest {
 protected:
  ControlsTest() {
    controls::RegisterControlClasses();
    form = ui::Create<TTestForm>(&app);
  }
  // A form read from a layout text.
  TTestForm* Load(const char* text) {
    auto* f = ui::Create<TTestForm>(&app);
    f->InitializeFrom("test.form", text);
    return f;
  }
  template <typename T>
  T* Find(ui::TForm* f, const char* name) {
    return dynamic_cast<T*>(f->FindComponent(name));
  }

  ui::HeadlessWidgetset ws;
  ui::TApplication app{ws};
  TTestForm* form = nullptr;
};

}  // namespace controls_test
