// The peak meters: lamps, colours, rise, decay, peak hold, resize, timer.
#include <cmath>
#include <utility>
#include <vector>

#include "controls_fixture.h"
#include "platform/mmsystem.h"

namespace {

using controls::TBarGraph;
using controls::TLevelMeter;
using controls::TLumi;
using controls_test::ControlsTest;

class Meter : public ControlsTest {
 protected:
  // A meter as the mixer windows lay it out: 40 lamps.
  TLevelMeter* MakeMeter() {
    auto* m = ui::Create<TLevelMeter>(form);
    m->SetParent(form);
    m->SetBounds(10, 10, 18, 163);
    m->SetLumiHeight(5);
    m->SetNumLumisRed(1);
    m->SetNumLumisOrange(12);
    m->SetTimerInterval(40);
    m->SetLevelMaxHold(3000);
    m->SetLevelMax(32767);
    return m;
  }
  static LRESULT Step(TLevelMeter* m, WPARAM timer = 0) {
    return m->Perform(controls::kMeterDecayMessage, timer, 0);
  }
  // Indices of the lamps that are on.
  static std::vector<int> Lit(TBarGraph* g) {
    std::vector<int> on;
    for (int i = 0; i < g->Count(); ++i)
      if (g->Lumi(i)->GetOn()) on.push_back(i);
    return on;
  }
  static std::vector<int> Range(int from, int to) {
    std::vector<int> r;
    for (int i = from; i <= to; ++i) r.push_back(i);
    return r;
  }
};

TEST_F(Meter, LampsStackFromTheBottomSharingOneOutlineRow) {
  TLevelMeter* m = MakeMeter();
  ASSERT_EQ(m->Count(), 40);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(m->Lumi(i)->Top(), 156 - 4 * i) << i;
  EXPECT_EQ(m->Lumi(7)->Width(), 15);
  auto* column = ui::Create<TBarGraph>(form);  // defaults: 164 high, lamps of 6
  ASSERT_EQ(column->Count(), 32);
  EXPECT_EQ(column->Lumi(0)->Top(), 156);
  EXPECT_EQ(column->Lumi(31)->Top(), 1);
  EXPECT_EQ(column->Lumi(0)->BrushColor(), controls::kLumiGrey);
}

TEST_F(Meter, ZonesAreColouredFromTheTopDown) {
  TLevelMeter* m = MakeMeter();
  EXPECT_EQ(m->Lumi(39)->ColorOn(), controls::kLumiRed);
  for (int i = 27; i <= 38; ++i) EXPECT_EQ(m->Lumi(i)->ColorOn(), controls::kLumiOrange) << i;
  for (int i = 0; i <= 26; ++i) EXPECT_EQ(m->Lumi(i)->ColorOn(), controls::kLumiGreen) << i;

  m->SetLevel(32767);
  EXPECT_EQ(m->Lumi(39)->BrushColor(), 0x0000FF);
  EXPECT_EQ(m->Lumi(30)->BrushColor(), 0x0080FF);
  EXPECT_EQ(m->Lumi(0)->BrushColor(), 0x00FF00);
  // A new zone only takes effect when a lamp is switched again.
  m->SetNumLumisRed(3);
  EXPECT_EQ(m->Lumi(37)->ColorOn(), controls::kLumiRed);
  EXPECT_EQ(m->Lumi(37)->BrushColor(), controls::kLumiOrange);
  // More zone lamps than the column has colour what there is.
  m->SetNumLumisOrange(100);
  EXPECT_EQ(m->Lumi(0)->ColorOn(), controls::kLumiOrange);
}

TEST_F(Meter, EachLampLightsFromItsThresholdLevel) {
  const std::pair<int, int> thresholds[] = {{1, 56},    {5, 593},    {10, 1589},  {20, 5373},
                                            {26, 9749}, {27, 10705}, {38, 28783}, {39, 31384}};
  for (auto [k, level] : thresholds) {
    TLevelMeter* at = MakeMeter();
    at->SetLevel(level);
    EXPECT_EQ(at->LitTop(), k) << level;
    EXPECT_EQ(Lit(at), Range(0, k)) << level;
    TLevelMeter* below = MakeMeter();
    below->SetLevel(level - 1);
    EXPECT_EQ(below->LitTop(), k - 1) << level - 1;
    EXPECT_EQ(below->Level(), level - 1);  // kept on the input scale
  }
}

// The meter finds a reading's lamp among precomputed boundaries; at every
// level of the scale that must be the lamp the log formula gives.
TEST_F(Meter, EveryLevelLightsTheLampOfTheLogScale) {
  for (int full_scale : {32767, 65535, 1000}) {
    TLevelMeter* m = MakeMeter();
    m->SetLevelMax(full_scale);
    const double scale = 511.0 / std::log10(26.0);
    for (int level = 0; level <= full_scale + 2; ++level) {
      m->SetLevel(level);  // rising, so the column shows this level's lamp
      int expected = 0;
      if (level > 0 && level <= full_scale) {
        const double v = std::nearbyint(std::log10(level / (full_scale / 25.0) + 1) * scale);
        expected = static_cast<int>(std::nearbyint(v / 511.0 * (m->Count() - 1)));
      } else if (level > full_scale) {
        expected = m->LitTop();  // dropped: the column stays
      }
      ASSERT_EQ(m->LitTop(), expected) << "level " << level << " of " << full_scale;
    }
  }
}

TEST_F(Meter, FullScaleFallsOneLampPerStepWhileThePeakIsHeld) {
  TLevelMeter* m = MakeMeter();
  m->SetLevel(32767);
  EXPECT_EQ(Lit(m), Range(0, 39));
  EXPECT_EQ(m->Peak(), 39);
  EXPECT_EQ(m->HoldTicks(), 75);  // 3000 ms / 40 ms

  EXPECT_EQ(Step(m), 1);  // the lamp under the held peak goes first
  std::vector<int> expect = Range(0, 37);
  expect.push_back(39);
  EXPECT_EQ(Lit(m), expect);
  Step(m);  // then the fall continues one step later
  EXPECT_EQ(Lit(m), expect);
  for (int step = 3; step <= 38; ++step) {
    Step(m);
    std::vector<int> e = Range(0, 39 - step);
    e.push_back(39);
    ASSERT_EQ(Lit(m), e) << step;
  }
  Step(m);  // step 39: the bar reaches the bottom
  EXPECT_EQ(Lit(m), (std::vector<int>{39}));
  EXPECT_EQ(m->LitTop(), 0);
  for (int step = 40; step <= 74; ++step) Step(m);
  EXPECT_EQ(Lit(m), (std::vector<int>{39}));
  Step(m);  // step 75: the hold time is over
  EXPECT_TRUE(Lit(m).empty());
  EXPECT_EQ(m->Peak(), 0);
}

TEST_F(Meter, LowerAndOutOfScaleLevelsLightNothing) {
  TLevelMeter* m = MakeMeter();
  m->SetLevel(20000);
  const std::vector<int> before = Lit(m);
  m->SetLevel(100);
  EXPECT_EQ(Lit(m), before);
  m->SetLevel(0);
  m->SetLevel(-5);
  EXPECT_EQ(Lit(m), before);

  TLevelMeter* fresh = MakeMeter();
  fresh->SetLevel(32768);
  EXPECT_TRUE(Lit(fresh).empty());
  EXPECT_EQ(fresh->LitTop(), 0);
}

TEST_F(Meter, ColumnRebuildsOutsideItsBandAndRestacksInside) {
  auto* g = ui::Create<TBarGraph>(form);
  g->SetHeight(170);
  EXPECT_EQ(g->Count(), 34);
  EXPECT_EQ(g->Lumi(0)->Top(), 170 - 6 - 2);
  g->SetHeight(164);
  EXPECT_EQ(g->Count(), 32);
  TLumi* lowest = g->Lumi(0);
  g->SetHeight(163);
  EXPECT_EQ(g->Count(), 32);
  EXPECT_EQ(g->Lumi(0), lowest);  // the same lamps, moved
  EXPECT_EQ(g->Lumi(0)->Top(), 155);
  EXPECT_EQ(g->Lumi(31)->Top(), 0);
  g->SetWidth(30);
  EXPECT_EQ(g->Lumi(5)->Width(), 27);
  // A plain column rises on its own scale and lights fully when on.
  g->SetLevelMax(310);
  g->SetLevel(100);  // round(100 / 310 * 31)
  EXPECT_EQ(Lit(g), Range(0, 10));
  g->SetOn(true);
  EXPECT_EQ(Lit(g), Range(0, 31));
}

TEST_F(Meter, ARebuiltColumnStartsEmptyAndDecaysSafely) {
  TLevelMeter* m = MakeMeter();
  m->SetLevel(32767);
  m->SetHeight(60);  // 15 lamps instead of 40
  EXPECT_EQ(m->Count(), 15);
  EXPECT_EQ(m->LitTop(), 0);
  EXPECT_EQ(m->Peak(), 0);
  for (int i = 0; i < 100; ++i) Step(m);
  EXPECT_TRUE(Lit(m).empty());
  m->SetLevel(32767);
  EXPECT_EQ(Lit(m), Range(0, 14));
  EXPECT_EQ(m->Lumi(14)->ColorOn(), controls::kLumiRed);
}

TEST_F(Meter, DegenerateSettingsDoNotCrash) {
  TLevelMeter* m = MakeMeter();
  m->SetLumiHeight(1);
  EXPECT_EQ(m->Count(), 0);
  m->SetLevel(32767);
  Step(m);
  m->SetLumiHeight(5);
  m->SetTimerInterval(0);
  m->SetLevel(32767);
  EXPECT_EQ(m->HoldTicks(), 3000);
  m->SetLevelMax(0);
  m->SetLevel(5);
  EXPECT_EQ(m->LitTop(), 39);
}

TEST_F(Meter, WithoutItsOwnTimerEveryDecayMessageSteps) {
  TLevelMeter* m = MakeMeter();
  m->SetLevel(32767);
  app.PostMessage(m->Handle(), controls::kMeterDecayMessage, 1234, 0);
  app.ProcessMessages();
  EXPECT_EQ(m->LitTop(), 38);
  EXPECT_EQ(Step(m, 77), 1);
  EXPECT_EQ(m->LitTop(), 37);
}

TEST_F(Meter, OwnTimerPostsDecayStepsAndOnlyThoseCount) {
  TLevelMeter* m = MakeMeter();
  m->SetTimerEnable(true);
  ASSERT_NE(m->TimerId(), 0u);
  EXPECT_EQ(observer.With("timer start"),
            (std::vector<std::string>{"timer start t" + std::to_string(m->TimerId()) + " 40"}));
  m->SetLevel(32767);
  platform.timers().AdvanceTo(80);
  app.ProcessMessages();
  EXPECT_EQ(m->LitTop(), 37);
  EXPECT_EQ(Step(m, m->TimerId() + 1), 0);  // another timer's message
  EXPECT_EQ(m->LitTop(), 37);

  m->SetTimerInterval(20);  // restarts the timer
  EXPECT_EQ(observer.With("timer kill").size(), 1u);
  EXPECT_EQ(observer.With("timer start").back(),
            "timer start t" + std::to_string(m->TimerId()) + " 20");
  m->SetTimerEnable(false);
  EXPECT_EQ(m->TimerId(), 0u);
  EXPECT_EQ(platform.timers().ActiveCount(), 0u);
}

TEST_F(Meter, TimerRunsOnlyOnAFormAndStopsWithTheMeter) {
  auto* loose = ui::Create<TLevelMeter>(form);
  loose->SetTimerEnable(true);
  EXPECT_EQ(loose->TimerId(), 0u);
  EXPECT_TRUE(loose->TimerEnable());
  // With no timer of its own, the window's forwarded steps still count.
  loose->SetOn(true);
  EXPECT_EQ(Step(loose, 999), 1);
  EXPECT_EQ(loose->LitTop(), 30);

  TLevelMeter* m = MakeMeter();
  m->SetTimerEnable(true);
  ASSERT_EQ(platform.timers().ActiveCount(), 1u);
  m->SetParent(nullptr);  // taken off the form: the running timer is still stopped
  m->Free();
  EXPECT_EQ(platform.timers().ActiveCount(), 0u);
  EXPECT_EQ(observer.With("timer kill").size(), 1u);
}

constexpr const char* kMeterLayout = R"(object TestForm: TTestForm
  object LevelMeter1: TLevelMeter
    Left = 8
    Top = 8
    Width = 18
    Height = 163
    LumiHeight = 5
    NumLumisRed = 1
    NumLumisOrange = 12
    TimerEnable = False
    TimerInterval = 40
    LevelMax = 32767
    LevelMaxHold = 3000
  end
  object Lumi1: TLumi
    ColorOn = clRed
    ColorOff = 0
    Frame = False
    _On = True
  end
end
)";

TEST_F(Meter, LayoutsBuildTheMetersOfTheWindows) {
  auto* f = Load(kMeterLayout);
  auto* m = Find<TLevelMeter>(f, "LevelMeter1");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Count(), 40);
  EXPECT_EQ(m->Lumi(39)->ColorOn(), controls::kLumiRed);
  EXPECT_EQ(m->Lumi(27)->ColorOn(), controls::kLumiOrange);
  EXPECT_EQ(m->Lumi(26)->ColorOn(), controls::kLumiGreen);
  EXPECT_EQ(m->TimerId(), 0u);
  m->SetLevel(31384);
  EXPECT_EQ(m->LitTop(), 39);
  auto* lumi = Find<TLumi>(f, "Lumi1");
  EXPECT_TRUE(lumi->GetOn());
  EXPECT_EQ(lumi->BrushColor(), ui::clRed);
  lumi->SetOn(false);
  EXPECT_EQ(lumi->BrushColor(), 0);
}

}  // namespace
