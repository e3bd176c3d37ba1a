// What a screen reader or an outside controller meets in the controls: a
// fader taken by its thumb and set as a drag, a meter's reading, boxes and
// buttons pressed as the user clicks them; a bilingual twin is its base.
#include "controls_fixture.h"
#include "ui/controltraits.h"

#include <tuple>

namespace {

using ui::ControlKind;

constexpr const char* kStrip = R"(object StripForm: TTestForm
  object Slider1: TSlider
    Height = 112
    MoveRestriction = 6
    Max = 32767
    Number = 3
    LinkCheck = chkLink34
    OnChange = SliderChange
  end
  object chkLink34: TExtCheckBox
    OnClick = BoxClick
  end
  object btnMute: TExtSpeedButton
    GroupIndex = 1
    AllowAllUp = True
  end
  object btnNext: TSpeedButton
  end
  object Meter1: TLevelMeter
    Width = 18
    Height = 60
  end
end
)";

class UserTraits : public controls_test::ControlsTest {
 protected:
  UserTraits() : f(Load(kStrip)) { f->log.clear(); }
  controls_test::TTestForm* f;
};

TEST_F(UserTraits, AFaderIsTakenByItsThumbAndSetAsTheUsersDrag) {
  auto& fader = *Find<controls::TSlider>(f, "Slider1");
  const ui::UserFacet& u = ui::UserFacetOf(fader);
  EXPECT_EQ(ui::KindOf(fader), ControlKind::Fader);
  EXPECT_EQ(ui::HandleOwner(*fader.Thumb()), &fader);
  EXPECT_EQ(u.link(fader), f->FindComponent("chkLink34"));
  EXPECT_EQ(u.number(fader), 3);
  EXPECT_DOUBLE_EQ(u.reading(fader).step, 327.67);  // one pixel of a travel of 100
  u.set_value(fader, 24575);                        // three quarters up: a drag of 75 pixels
  EXPECT_EQ(fader.Offset(), 75);
  EXPECT_EQ(f->log, "change Slider1=" + std::to_string(fader.Position()) + ";");
  EXPECT_EQ(u.reading(fader).value, fader.Position());
  u.set_value(fader, 1e9);  // past the end, as a drag past it
  EXPECT_EQ(fader.Position(), 32767);
  fader.SetEnabled(false);
  u.set_value(fader, 0);
  EXPECT_EQ(fader.Position(), 32767);
}

TEST_F(UserTraits, AMeterReadsItsLitColumnAndItsHeldPeak) {
  auto& meter = *Find<controls::TLevelMeter>(f, "Meter1");
  const ui::UserFacet& u = ui::UserFacetOf(meter);
  EXPECT_EQ(u.kind(meter), ControlKind::Meter);
  EXPECT_TRUE(u.reading(meter).value == 0 && !u.reading(meter).peak);
  meter.SetLevel(meter.GetLevelMax());
  const ui::Reading r = u.reading(meter);
  EXPECT_TRUE(r.value > r.min && r.value <= r.max && r.peak);
}

TEST_F(UserTraits, BoxesAndButtonsArePressedAsTheUsersClick) {
  for (auto [name, kind, checked_after_press] :
       {std::tuple{"chkLink34", ControlKind::CheckBox, true},
        {"btnMute", ControlKind::ToggleButton, true},
        {"btnNext", ControlKind::PushButton, false}}) {
    auto& c = *Find<ui::TControl>(f, name);
    const ui::UserFacet& u = ui::UserFacetOf(c);
    EXPECT_EQ(u.kind(c), kind) << name;
    EXPECT_FALSE(u.checked(c)) << name;
    u.press(c);
    EXPECT_EQ(u.checked(c), checked_after_press) << name;
  }
  EXPECT_EQ(f->log, "click chkLink34;");
}

}  // namespace
