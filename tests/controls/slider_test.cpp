// The fader: geometry, value conversion, range errors, dragging, loading.
#include <string>
#include <vector>

#include "controls_fixture.h"

namespace {

using controls::TSlider;
using controls_test::ControlsTest;
using controls_test::TTestForm;

class Slider : public ControlsTest {
 protected:
  // A mixer-window fader on a strip panel: Height 112, MoveRestriction 6
  // (travel 100), thumb 18 x 26, range 0 ... 32767.
  TSlider* MakeFader() {
    strip = ui::Create<ui::TPanel>(form);
    strip->SetParent(form);
    strip->SetBounds(10, 10, 60, 200);
    auto* s = ui::Create<TSlider>(form);
    s->SetParent(strip);
    s->SetBounds(30, 40, 4, 112);
    s->SetBtnHeight(26);
    s->SetBtnWidth(18);
    s->SetMoveRestriction(6);
    s->SetMax(32767);
    s->OnChange = [this](ui::TComponent* c) {
      changes.push_back(static_cast<TSlider*>(c)->Position());
    };
    return s;
  }
  static int ThumbCentre(TSlider* s) { return s->Thumb()->Top() + s->BtnHeight() / 2; }

  ui::TPanel* strip = nullptr;
  std::vector<int> changes;
};

TEST_F(Slider, ThumbSitsOnTheParentCentredAndKeepsItsMarginAtBothEnds) {
  TSlider* s = MakeFader();
  EXPECT_EQ(s->Thumb()->Parent(), strip);
  EXPECT_EQ(s->Thumb()->Owner(), s);
  EXPECT_EQ(s->Travel(), 100);

  s->SetPosition(32767);
  EXPECT_EQ(s->Offset(), 100);
  EXPECT_EQ(ThumbCentre(s), s->Top() + 6);
  s->SetPosition(0);
  EXPECT_EQ(s->Offset(), 0);
  EXPECT_EQ(ThumbCentre(s), s->Top() + 112 - 6);

  EXPECT_EQ(s->Thumb()->Left(), 30 + 4 / 2 - 18 / 2);
  EXPECT_EQ(s->Grip()->Top(), (26 - 4) / 2);
  EXPECT_EQ(s->Grip()->Width(), 18 - 5);

  // Moving the groove takes the thumb along.
  s->SetLeft(40);
  s->SetTop(50);
  EXPECT_EQ(s->Thumb()->Left(), 40 + 2 - 9);
  EXPECT_EQ(ThumbCentre(s), 50 + 112 - 6);
}

TEST_F(Slider, DraggingMovesByPixelsAndRoundsTheValue) {
  TSlider* s = MakeFader();
  changes.clear();
  controls::user::Drag(s, 1);
  EXPECT_EQ(s->Offset(), 1);
  EXPECT_EQ(s->Position(), 328);  // round(32767 * 1 / 100)
  controls::user::Drag(s, 50);
  EXPECT_EQ(s->Offset(), 51);
  EXPECT_EQ(s->Position(), 16711);  // round(32767 * 0.51)
  EXPECT_EQ(ThumbCentre(s), s->Top() + 112 - 6 - 51);
  EXPECT_FALSE(s->Dragging());
  // Dragging below the bottom stops at Min.
  controls::user::Drag(s, -500);
  EXPECT_EQ(s->Offset(), 0);
  EXPECT_EQ(s->Position(), 0);
  EXPECT_EQ(changes, (std::vector<int>{328, 16711, 0}));

  // The groove itself does not react to the mouse.
  s->MouseDown(ui::TMouseButton::mbLeft, 0, 2, 50);
  s->MouseMove(0, 2, 10);
  EXPECT_EQ(s->Position(), 0);
}

// A notch of the wheel is a drag of a 32nd of the travel (100 / 32 rounds
// to 3 pixels), Shift one pixel; it raises the same change a drag does.
TEST_F(Slider, TheWheelMovesTheFaderAsADragWould) {
  TSlider* s = MakeFader();
  changes.clear();
  EXPECT_TRUE(s->MouseWheel(0, 1));
  EXPECT_EQ(s->Offset(), 3);
  EXPECT_TRUE(s->MouseWheel(ui::ssShift, 2));
  EXPECT_EQ(s->Offset(), 5);
  s->MouseWheel(0, -1);
  EXPECT_EQ(s->Offset(), 2);
  EXPECT_EQ(changes, (std::vector<int>{983, 1638, 655}));  // round(32767 * offset / 100)
  EXPECT_FALSE(s->Dragging());
}

TEST_F(Slider, EveryApplyReportsAChangeEvenWithTheSameValue) {
  TSlider* s = MakeFader();
  changes.clear();
  s->SetPosition(32767);
  s->SetPosition(32767);
  controls::user::Drag(s, 10);  // above the top: offset stays at the travel
  EXPECT_EQ(s->Offset(), 100);
  EXPECT_EQ(s->Position(), 32767);
  EXPECT_EQ(changes, (std::vector<int>{32767, 32767, 32767}));
}

TEST_F(Slider, WithoutARangeTheValueIsMinAndTheThumbAtTheBottom) {
  TSlider* s = MakeFader();
  s->SetMax(5);
  s->SetMin(5);
  s->SetPosition(5);
  EXPECT_EQ(s->Position(), 5);
  EXPECT_EQ(s->Offset(), 0);
  controls::user::Drag(s, 30);
  EXPECT_EQ(s->Position(), 5);
  EXPECT_EQ(s->Offset(), 0);
  EXPECT_EQ(ThumbCentre(s), s->Top() + 112 - 6);
}

TEST_F(Slider, PositionOutsideTheRangeRaisesAndChangesNothing) {
  TSlider* s = MakeFader();
  s->SetPosition(20000);
  changes.clear();
  const int top = s->Thumb()->Top();
  for (int bad : {32768, -1}) {
    try {
      s->SetPosition(bad);
      ADD_FAILURE() << "no range error for " << bad;
    } catch (const ui::ERangeError& e) {
      EXPECT_STREQ(e.what(), "Wert für Position liegt außerhalb von Min und Max");
    }
  }
  EXPECT_EQ(s->Position(), 20000);
  EXPECT_EQ(s->Thumb()->Top(), top);
  EXPECT_TRUE(changes.empty());
}

TEST_F(Slider, BoundChangesNeverRaiseForAValueTheCallerDidNotSet) {
  TSlider* s = MakeFader();
  s->SetPosition(32767);
  s->SetMax(511);  // the value is now above the new Max, as documented
  EXPECT_EQ(s->Position(), 32767);
  EXPECT_NO_THROW(s->SetMin(0));
  s->SetPosition(511);
  EXPECT_EQ(s->Offset(), 100);
}

TEST_F(Slider, WidthIsAlwaysFour) {
  TSlider* s = MakeFader();
  s->SetPosition(32767);
  s->SetWidth(20);
  EXPECT_EQ(s->Width(), 4);
  EXPECT_EQ(s->Thumb()->Left(), 30 + 2 - 9);
  // A taller groove gives more travel at the same fraction.
  s->SetHeight(212);
  EXPECT_EQ(s->Travel(), 200);
  EXPECT_EQ(s->Offset(), 200);
  EXPECT_EQ(ThumbCentre(s), s->Top() + 6);
}

constexpr const char* kFaderLayout = R"(object TestForm: TTestForm
  Width = 300
  Height = 300
  object pnStrip: TPanel
    Left = 0
    Top = 0
    Width = 80
    Height = 200
    object Slider1: TSlider
      Left = 20
      Top = 30
      Width = 20
      Height = 112
      Max = 32767
      Position = 16384
      BtnHeight = 26
      BtnWidth = 18
      MoveRestriction = 6
      Number = 3
      LinkCheck = chkLink
      OnChange = SliderChange
    end
    object chkLink: TCheckBox
      Caption = 'Link'
    end
  end
end
)";

TEST_F(Slider, LayoutLoadingPlacesTheThumbAndReportsTheValueOnce) {
  TTestForm* f = Load(kFaderLayout);
  auto* s = Find<TSlider>(f, "Slider1");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(f->log, "change Slider1=16384;");
  EXPECT_TRUE(s->Placed());
  EXPECT_EQ(s->Thumb()->Parent(), Find<ui::TPanel>(f, "pnStrip"));
  EXPECT_EQ(s->Width(), 4);
  EXPECT_EQ(s->Offset(), 50);  // round(100 * 16384 / 32767)
  EXPECT_EQ(s->Number(), 3);
  EXPECT_EQ(s->LinkCheck(), Find<ui::TCheckBox>(f, "chkLink"));
  // The thumb is no component of the form: settings and cloning skip it.
  for (ui::TComponent* c : f->ComponentList()) EXPECT_NE(c, s->Thumb());
  // Freeing the slider takes its thumb off the strip; the link box stays.
  auto* strip = Find<ui::TPanel>(f, "pnStrip");
  s->Free();
  EXPECT_EQ(strip->ControlList(), (std::vector<ui::TControl*>{Find<ui::TCheckBox>(f, "chkLink")}));
}

TEST_F(Slider, LayoutRangeErrorsAndUnknownLinkBoxesFailTheLoad) {
  std::string bad = kFaderLayout;
  bad.replace(bad.find("Position = 16384"), 16, "Position = 40000");
  EXPECT_THROW(Load(bad.c_str()), ui::ERangeError);
  std::string unknown = kFaderLayout;
  unknown.replace(unknown.find("LinkCheck = chkLink"), 19, "LinkCheck = chkNone");
  try {
    Load(unknown.c_str());
    ADD_FAILURE() << "unknown link box accepted";
  } catch (const ui::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("test.form:20"), std::string::npos) << e.what();
  }
}

}  // namespace
