// The digital input and output windows on the simulated cards: the S/PDIF
// handles, the cloned strips with their numerals, the width limits, the
// option box and the windows' ends. Polls, the own section and the
// combined preset are covered by the digital_* scenarios.
#include <algorithm>

#include "controls/Class_b.h"
#include "mixer/Dinp.h"
#include "mixer/Dout.h"
#include "mixer_fixture.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace mixer {
namespace {

struct DigitalTest : testing_support::MixerWindowTest {
  // The driver messages of one direction sent since the last call.
  std::vector<std::string> SentOn(const char* dir) {
    std::vector<std::string> out;
    for (const auto& l : observer.With(std::string("msg ") + dir + " "))
      out.push_back(l.substr(l.find(' ', 4) + 1));
    observer.lines.clear();
    return out;
  }
  static int Count(const std::vector<std::string>& sent, const std::string& msg) {
    return static_cast<int>(std::count_if(sent.begin(), sent.end(), [&](const std::string& s) {
      return s.find(" " + msg + " ") != s.npos;
    }));
  }
  void Advance(std::int64_t ms) {
    platform.timers().AdvanceTo(ms, [&] { app.ProcessMessages(); });
  }
  std::vector<std::string> StripCaptions(TDigitalMeterForm* w) {
    std::vector<std::string> out;
    for (ui::TComponent* c : w->ComponentList()) {
      auto* label = dynamic_cast<ui::TLabel*>(c);
      if (label && label->Caption().rfind("S/PDIF", 0) == 0) out.push_back(label->Caption());
    }
    return out;
  }
};

TEST_F(DigitalTest, OutputOfThreeCardsOpensTheSpdifSlotsAndNumbersTheStrips) {
  Discover(3);
  auto* w = ui::CreateForm<TfrmDigOut>(&app, state);
  ASSERT_EQ(w->CreatedIndicator(), -1);
  // Slots 4, 4, 9, 9, 14, 14, each pair's device twice.
  const auto opened = observer.With("open out");
  ASSERT_EQ(opened.size(), 6u);
  for (int ch = 0; ch < 6; ++ch) {
    const int slot = 5 * (ch / 2) + 4;
    EXPECT_NE(w->HandleOf(ch), 0u);
    EXPECT_EQ(opened[ch].substr(opened[ch].find(" dev") + 4),
              std::to_string(state.Cards.PlayDeviceIds[slot]))
        << ch;
  }
  EXPECT_EQ(observer.With("open in").size(), 0u);
  EXPECT_EQ(StripCaptions(w),
            (std::vector<std::string>{"S/PDIF OUT", "S/PDIF OUT II", "S/PDIF OUT III"}));
  ASSERT_EQ(w->Meters().Meters().size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(w->Meters().Meters()[i]->Tag(), i);
  // Opens 152 pixels per card wide; its limits take over once it is shown.
  EXPECT_EQ(w->Width(), 456);
  w->CallFormShow();
  EXPECT_EQ(w->Width(), 95 * 3 + 20);
  observer.lines.clear();
  w->Free();
  EXPECT_EQ(observer.With("close out").size(), 6u);
}

TEST_F(DigitalTest, OneCardKeepsTheDesignAndFiveCardsShowOnlyFour) {
  auto* in = Open<TfrmDigInp>(1);
  EXPECT_EQ(in->Width(), 118);
  EXPECT_EQ(in->Height(), 295);
  EXPECT_EQ(StripCaptions(in), (std::vector<std::string>{"S/PDIF IN"}));
  in->SetWidth(1000);
  EXPECT_EQ(in->Width(), 152);
  in->SetBounds(in->Left(), in->Top(), 10, 10);
  EXPECT_EQ(in->Width(), 90);
  EXPECT_EQ(in->Height(), 295);
  in->Free();

  auto* out = Open<TfrmDigOut>(5);
  EXPECT_EQ(out->Width(), 95 * 4 + 20);
  EXPECT_EQ(StripCaptions(out).back(), "S/PDIF OUT IV");
  EXPECT_EQ(out->Meters().Meters().size(), 8u);
  EXPECT_EQ(out->HandleOf(8), 0u);
  out->SetWidth(1000);
  EXPECT_EQ(out->Width(), 400);
  EXPECT_EQ(system.OpenHandleCount(sim::Dir::Out), 8u);
}

TEST_F(DigitalTest, UncheckingThePeakMeterHidesTheMetersAndStopsTheirTimers) {
  auto* w = Open<TfrmDigOut>(2);
  ui::user::Click(w->chkPeakMeter);
  EXPECT_FALSE(w->pnGround->Visible());
  EXPECT_EQ(w->Height(), 295 - 237);
  EXPECT_EQ(w->FixedHeight(), 295 - 237);
  EXPECT_EQ(observer.With("timer kill").size(), 2u);
  EXPECT_EQ(Count(SentOn("out"), "0x4008"), 2);
  Advance(300);  // nothing polls any more
  EXPECT_TRUE(SentOn("out").empty());
  // Checking it again restarts the metering with two new timers.
  ui::user::Click(w->chkPeakMeter);
  EXPECT_EQ(w->Height(), 295);
  EXPECT_EQ(observer.With("timer start").size(), 2u);
  EXPECT_EQ(Count(SentOn("out"), "0x4007"), 2);
  // The option panel toggles on top of that.
  w->ToggleChecksPanel();
  EXPECT_EQ(w->Height(), 295 - 31);
  w->ToggleChecksPanel();
  EXPECT_EQ(w->Height(), 295);
}

TEST_F(DigitalTest, DestroyedWhileMeteringStopsTheDriverAndTheTimers) {
  auto* w = Open<TfrmDigInp>(2);
  ASSERT_TRUE(w->Meters().Running());
  w->Free();  // as at the end of the application, without a close
  EXPECT_EQ(observer.With("timer kill").size(), 2u);
  EXPECT_EQ(Count(SentOn("in"), "0x4039"), 2);
  EXPECT_FALSE(system.Card(1).pairs[4].inmeter);
  EXPECT_EQ(system.OpenHandleCount(sim::Dir::In), 0u);
  Advance(500);
  EXPECT_TRUE(observer.lines.empty());
}

TEST_F(DigitalTest, HandleThatCannotOpenLeavesTheWindowUncreated) {
  Discover(2);
  state.Cards.RecDeviceIds[9] = 77;  // card 2's S/PDIF device is gone
  auto* w = ui::CreateForm<TfrmDigInp>(&app, state);
  EXPECT_EQ(w->CreatedIndicator(), 0);
  EXPECT_TRUE(boxes().empty());  // the silent abort
  EXPECT_EQ(system.OpenHandleCount(sim::Dir::In), 2u);
  w->Free();
  EXPECT_EQ(system.OpenHandleCount(sim::Dir::In), 0u);
}

}  // namespace
}  // namespace mixer
