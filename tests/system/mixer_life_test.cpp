// What every mixer window shares: its blocks and handles go with it however
// its life ends, and its height is what it shows, also after its own
// preset changed the option row.
#include "controls/Class_b.h"
#include "mixer/Ainp.h"
#include "mixer/Dinp.h"
#include "mixer/Dout.h"
#include "mixer/Mon.h"
#include "mixer/Wavelv.h"
#include "mixer_fixture.h"
#include "settings/mixset.h"
#include "ui/useractions.h"

namespace mixer {
namespace {

struct MixerLifeTest : testing_support::MixerWindowTest {
  std::size_t Blocks() { return system.arena().BlockCount(); }
  std::size_t Handles() {
    return system.OpenHandleCount(sim::Dir::In) + system.OpenHandleCount(sim::Dir::Out);
  }
  // Made for two cards and shown; the window's blocks are counted, then it
  // ends closed or, as at the end of the application, simply destroyed.
  template <typename F>
  void MadeAndEnded(std::size_t blocks, bool close) {
    const std::size_t before = Blocks();
    F* w = Open<F>(2);
    EXPECT_EQ(Blocks(), before + blocks) << w->ClassName();
    EXPECT_NE(Handles(), 0u);
    if (close) w->Close();
    w->Free();
    EXPECT_EQ(Blocks(), before) << w->ClassName() << (close ? " closed" : " destroyed");
    EXPECT_EQ(Handles(), 0u);
  }
  // The window's own preset command with the picker's first preset.
  void LoadOwnPreset(TMixerForm* w) {
    ws.Script([&] {
      for (ui::TForm* f : app.Forms())
        if (auto* picker = dynamic_cast<settings::TfrmMixSettings*>(f))
          ui::user::Click(picker->btnOk);
    });
    w->Perform(WM_SYSCOMMAND, settings::kLoadPresetCommand, 0);
    EXPECT_TRUE(ws.ScriptEmpty());
  }
};

TEST_F(MixerLifeTest, EveryWindowFreesItsBlocksAndClosesItsHandlesHoweverItEnds) {
  for (bool close : {true, false}) {
    MadeAndEnded<TfrmAnalogInp>(3, close);
    MadeAndEnded<TfrmMon>(3, close);
    MadeAndEnded<TfrmWaveLevel>(3, close);
    MadeAndEnded<TfrmDigInp>(1, close);
    MadeAndEnded<TfrmDigOut>(1, close);
  }
}

TEST_F(MixerLifeTest, UncreatedWindowHoldsNoBlock) {
  Discover(2);
  state.Cards.RecDeviceIds[5] = 77;  // card 2's first analog device is gone
  const std::size_t before = Blocks();
  auto* w = ui::CreateForm<TfrmAnalogInp>(&app, state);
  EXPECT_EQ(w->CreatedIndicator(), 0);
  EXPECT_EQ(Blocks(), before);
  w->Free();
  EXPECT_EQ(Handles(), 0u);
}

// The preset's option row used to keep its old height: an empty band
// where a hidden row had been, and a window too high once it came back.
TEST_F(MixerLifeTest, OwnPresetThatHidesTheOptionRowTakesItsHeightOff) {
  WriteIni("[Analog Inputs Bare]\r\npnChecks=0\r\n");
  auto* w = Open<TfrmAnalogInp>();
  LoadOwnPreset(w);
  EXPECT_FALSE(w->pnChecks->Visible());
  EXPECT_EQ(w->Height(), 512 - 47);
  EXPECT_EQ(w->FixedHeight(), w->Height());
  EXPECT_EQ(w->grpInput->Height(), 438);  // the ground fills the window
  w->ToggleChecksPanel();
  EXPECT_EQ(w->Height(), 512);
  EXPECT_EQ(w->pnChecks->Top(), 438);
  EXPECT_EQ(w->pnChecks->Height(), 47);
}

TEST_F(MixerLifeTest, OwnPresetThatShowsTheOptionRowAddsItsHeight) {
  WriteIni("[Analog Input Monitors Row]\r\npnChecks=1\r\nchkFaders=0\r\n");
  auto* w = Open<TfrmMon>();
  w->ToggleChecksPanel();
  ASSERT_EQ(w->Height(), 331 - 31);
  LoadOwnPreset(w);
  EXPECT_TRUE(w->pnChecks->Visible());
  EXPECT_FALSE(w->pnGround->Visible());
  EXPECT_EQ(w->Height(), 331 - 273);
  EXPECT_EQ(w->pnChecks->Top(), 0);
  ui::user::Click(w->chkFaders);
  EXPECT_EQ(w->Height(), 331);
  EXPECT_EQ(w->pnChecks->Top(), 273);
}

// Sections hidden and shown while the option row is hidden: the ground
// keeps the height its sections make and every panel its place.
TEST_F(MixerLifeTest, SectionsAndOptionRowCombineInAnyOrder) {
  auto* w = Open<TfrmWaveLevel>();
  w->ToggleChecksPanel();
  ui::user::Click(w->chkFader);
  EXPECT_EQ(w->Height(), 470 - 47 - 176);
  EXPECT_EQ(w->grpGround->Height(), 396 - 176);
  ui::user::Click(w->chkPeakMeter);
  EXPECT_FALSE(w->grpGround->Visible());
  EXPECT_EQ(w->Height(), 470 - 47 - 396);
  w->ToggleChecksPanel();
  EXPECT_EQ(w->Height(), 470 - 396);
  ui::user::Click(w->chkFader);
  EXPECT_EQ(w->Height(), 470 - 176);
  EXPECT_EQ(w->pnSliders->Top(), 182 - 176);
  EXPECT_EQ(w->pnChecks->Top(), 396 - 176);
  ui::user::Click(w->chkPeakMeter);
  EXPECT_EQ(w->Height(), 470);
  EXPECT_EQ(w->pnSliders->Top(), 182);
  EXPECT_EQ(w->pnNumbers->Top(), 360);
  EXPECT_EQ(w->pnChecks->Top(), 396);
}

}  // namespace
}  // namespace mixer
