// The fader routines shared by the mixer windows: the link rule, the gain
// packing and the mapping between fader positions and driver words.
#include "mixer/sliderlink.h"

#include <gtest/gtest.h>

#include "controls/audioctl32.h"
#include "ui/application.h"
#include "ui/headless.h"
#include "ui/stdctrls.h"

namespace mixer {
namespace {

struct SliderLinkTest : ::testing::Test {
  SliderLinkTest() {
    panel->SetParent(form);
    // The box stands between the faders in the child order on purpose: the
    // faders are windowed like it, so only their own order counts.
    left = MakeSlider(1);
    box->SetParent(panel);
    right = MakeSlider(2);
  }
  controls::TSlider* MakeSlider(int number) {
    auto* s = ui::Create<controls::TSlider>(form);
    s->SetMax(32767);
    s->SetNumber(number);
    s->SetParent(panel);
    s->OnChange = [this](ui::TComponent* c) { changes.push_back(c); };
    return s;
  }

  ui::HeadlessWidgetset ws;
  ui::TApplication app{ws};
  ui::TForm* form = ui::Create<ui::TForm>(&app);
  ui::TPanel* panel = ui::Create<ui::TPanel>(form);
  ui::TCheckBox* box = ui::Create<ui::TCheckBox>(form);
  controls::TSlider* left = nullptr;
  controls::TSlider* right = nullptr;
  std::vector<ui::TComponent*> changes;
};

TEST_F(SliderLinkTest, PackGainPairPutsTheFirstFaderInTheLowWord) {
  left->SetPosition(20000);
  right->SetPosition(20000);
  EXPECT_EQ(PackGainPair(*left), 0x9C409C40u);
  left->SetPosition(1);
  right->SetPosition(32767);
  // Either fader of the pair packs the same value; the thumbs on the panel
  // are no faders and take no part.
  EXPECT_EQ(PackGainPair(*left), 0xFFFE0002u);
  EXPECT_EQ(PackGainPair(*right), 0xFFFE0002u);
}

TEST_F(SliderLinkTest, MoveLinkedSlidersCopiesTheMasterAndRaisesEveryChange) {
  left->SetPosition(100);
  right->SetPosition(200);
  changes.clear();
  MoveLinkedSliders(right, nullptr);
  EXPECT_EQ(left->Position(), 200);
  // Both faders, the master too, in child order.
  EXPECT_EQ(changes, (std::vector<ui::TComponent*>{left, right}));

  // Without a master the first fader of the panel leads.
  right->SetPosition(7);
  MoveLinkedSliders(nullptr, panel);
  EXPECT_EQ(right->Position(), 200);
  MoveLinkedSliders(nullptr, nullptr);  // nothing to move, no fault
}

TEST_F(SliderLinkTest, AssignLinkCheckTakesTheFirstBoxAndKeepsAnAssignedOne) {
  AssignLinkCheck(*left);
  EXPECT_EQ(left->LinkCheck(), box);
  EXPECT_FALSE(IsLinked(*left));
  box->SetChecked(true);
  EXPECT_TRUE(IsLinked(*left));

  auto* other = ui::Create<ui::TCheckBox>(form);
  right->SetLinkCheck(other);
  AssignLinkCheck(*right);
  EXPECT_EQ(right->LinkCheck(), other);

  // A fader on a panel without a box stays unlinked.
  auto* lone_panel = ui::Create<ui::TPanel>(form);
  lone_panel->SetParent(form);
  auto* lone = ui::Create<controls::TSlider>(form);
  lone->SetParent(lone_panel);
  AssignLinkCheck(*lone);
  EXPECT_EQ(lone->LinkCheck(), nullptr);
  EXPECT_FALSE(IsLinked(*lone));
}

TEST_F(SliderLinkTest, ForEachSliderVisitsOnlyTheFadersThatExistedAtTheStart) {
  int visits = 0;
  ForEachSlider(*form, [&](ui::TForm& f, controls::TSlider&) {
    ++visits;
    ui::Create<controls::TSlider>(&f);
  });
  EXPECT_EQ(visits, 2);
  std::vector<std::int32_t> numbers;
  ForEachPairSlider(*right, 5, [&](controls::TSlider& fader, std::int32_t v, controls::TSlider& c) {
    EXPECT_EQ(&fader, right);
    EXPECT_EQ(v, 5);
    numbers.push_back(c.Number());
  });
  EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 2}));
}

TEST_F(SliderLinkTest, DriverWordsMapOntoTheFaderRange) {
  EXPECT_EQ(GainWordOf(0), 0);
  EXPECT_EQ(GainWordOf(20000), 40000);
  EXPECT_EQ(GainWordOf(32767), 65534);
  // Halves go to the even neighbour.
  EXPECT_EQ(PositionOfWordRounded(40000, *left), 20000);
  EXPECT_EQ(PositionOfWordRounded(3, *left), 2);
  EXPECT_EQ(PositionOfWordRounded(5, *left), 2);
  EXPECT_EQ(PositionOfWordRounded(7, *left), 4);
  // 65535 would round to 32768, one above Max: it is held at the top.
  EXPECT_EQ(PositionOfWordRounded(65535, *left), 32767);
  EXPECT_EQ(PositionOfWordTruncated(65535), 32767);
  EXPECT_EQ(PositionOfWordTruncated(3), 1);
  // The left channel (odd Number) reads the low word.
  EXPECT_EQ(ChannelWordOf(0x22221111u, *left), 0x1111);
  EXPECT_EQ(ChannelWordOf(0x22221111u, *right), 0x2222);
}

TEST(ChangeGuardTest, ClosedForAScopeAndOpenAfterIt) {
  ChangeGuard guard;
  EXPECT_FALSE(guard.Open());  // closed until the window opens it
  guard.SetOpen(true);
  {
    ClosedGuard closed(guard);
    EXPECT_FALSE(guard.Open());
  }
  EXPECT_TRUE(guard.Open());
}

}  // namespace
}  // namespace mixer
