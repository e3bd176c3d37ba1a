// What a screen reader or an outside controller meets in the controls: a
// fader taken by its thumb and set as a drag, a meter's reading, boxes and
// buttons pressed as the user clicks them; a bilingual twin is its base.
#include "controls_fixture.h"
#include "ui/controltraits.h"

namespace {

using controls_test::ControlsTest;
using ui::ControlKind;

constexpr const char* kStrip = R"(object StripForm: TTestForm
  Width = 200
  Height = 300
  object Slider1: TSlider
    Left = 30
    Top = 40
    Width = 4
    Height = 112
    BtnHeight = 26
    BtnWidth = 18
    MoveRestriction = 6
    Max = 32767
    Number = 3
    LinkCheck = chkLink34
    OnChange = SliderChange
  end
  object chkLink34: TExtCheckBox
    Left = 20
    Top = 160
    OnClick = BoxClick
  end
  object btnMute: TExtSpeedButton
    Left = 20
    Top = 180
    GroupIndex = 1
    AllowAllUp = True
  end
  object btnNext: TSpeedButton
    Left = 60
    Top = 180
  end
  object Meter1: TLevelMeter
    Left = 100
    Top = 40
    Width = 18
    Height = 60
  end
end
)";

class UserTraits : public ControlsTest {
 protected:
  UserTraits() : f(Load(kStrip)), fader(*Find<controls::TSlider>(f, "Slider1")) { f->log.clear(); }
  ui::TControl& Control(const char* name) { return *Find<ui::TControl>(f, name); }
  controls_test::TTestForm* f;
  controls::TSlider& fader;
};

TEST_F(UserTraits, AFaderIsTakenByItsThumbAndSetAsTheUsersDrag) {
  const ui::UserFacet& u = ui::UserFacetOf(fader);
  EXPECT_EQ(ui::KindOf(fader), ControlKind::Fader);
  EXPECT_EQ(ui::HandleOwner(*fader.Thumb()), &fader);
  EXPECT_EQ(u.link(fader), &Control("chkLink34"));
  EXPECT_EQ(u.number(fader), 3);
  EXPECT_DOUBLE_EQ(u.reading(fader).step, 327.67);  // one pixel of a travel of 100

  u.set_value(fader, 24575);  // three quarters up: a drag of 75 pixels
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
  EXPECT_EQ(u.reading(meter).value, 0);
  EXPECT_FALSE(u.reading(meter).peak);
  meter.SetLevel(meter.GetLevelMax());
  const ui::Reading r = u.reading(meter);
  EXPECT_GT(r.value, r.min);
  EXPECT_LE(r.value, r.max);
  EXPECT_TRUE(r.peak);
}

TEST_F(UserTraits, BoxesAndButtonsArePressedAsTheUsersClick) {
  struct Case {
    const char* name;
    ControlKind kind;
    bool checked_after_press;
  } cases[] = {{"chkLink34", ControlKind::CheckBox, true},
               {"btnMute", ControlKind::ToggleButton, true},
               {"btnNext", ControlKind::PushButton, false}};
  for (const Case& k : cases) {
    ui::TControl& c = Control(k.name);
    const ui::UserFacet& u = ui::UserFacetOf(c);
    EXPECT_EQ(u.kind(c), k.kind) << k.name;
    EXPECT_FALSE(u.checked(c)) << k.name;
    u.press(c);
    EXPECT_EQ(u.checked(c), k.checked_after_press) << k.name;
  }
  EXPECT_EQ(f->log, "click chkLink34;");
}

}  // namespace
