// What every mixer window shares: its blocks and handles go with it however
// its life ends, and its height is what it shows.
#include "controls/Class_b.h"
#include "mixer/Ainp.h"
#include "mixer/Dinp.h"
#include "mixer/Dout.h"
#include "mixer/Mon.h"
#include "mixer/Wavelv.h"
#include "mixer_fixture.h"
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
