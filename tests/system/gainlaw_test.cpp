// The gain a fader's word stands for is the value its tool tip reads off the
// scale beside it, at every pixel of its travel and for positions between
// the pixels, in the input, monitor and output windows.
#include "sim/gainlaw.h"

#include <cmath>

#include "mixer/Ainp.h"
#include "mixer/Mon.h"
#include "mixer/Wavelv.h"
#include "mixer_fixture.h"

namespace mixer {
namespace {

using sim::Fader;
using sim::PairField;

struct GainLawTest : testing_support::MixerWindowTest {
  // Every pixel, then positions between pixels, of the window's first fader.
  template <typename F>
  void Check(Fader fader, const char* name, PairField field) {
    F* w = Open<F>();
    auto* s = dynamic_cast<controls::TSlider*>(w->FindComponent(name));
    ASSERT_NE(s, nullptr);
    std::vector<int> positions;
    for (int o = 0; o <= s->Travel(); ++o)
      positions.push_back(static_cast<int>(std::nearbyint(s->Max() * o / double(s->Travel()))));
    for (int p = 1; p < s->Max(); p += s->Max() / 37) positions.push_back(p);
    for (int p : positions) {
      s->SetPosition(p);
      const auto word = static_cast<std::uint16_t>(system.GetPairField(0, 0, field));
      const double law = sim::GainDb(fader, word);
      const double shown = testing_support::ToolTipDb(s->Thumb()->OnValueText());
      if (std::isinf(shown)) {
        EXPECT_TRUE(std::isinf(law) && law < 0) << name << " at " << p;
      } else {
        EXPECT_NEAR(law, shown, 0.05 + 1e-9) << name << " at " << p;
      }
    }
    w->Free();
  }
};

TEST_F(GainLawTest, EveryFaderAppliesWhatItsToolTipReads) {
  Check<TfrmAnalogInp>(Fader::Input, "Slider1", PairField::InGain);
  Check<TfrmMon>(Fader::Monitor, "scrOut2", PairField::MonGain);
  Check<TfrmWaveLevel>(Fader::Output, "scrOut2", PairField::Volume);
  // The scales' ends: the top of an input fader, the top of a monitor fader
  // (its "+12" stands half above the groove) and the bottom of an output one.
  EXPECT_DOUBLE_EQ(sim::GainDb(Fader::Input, 0xFFFE), 22.5);
  EXPECT_DOUBLE_EQ(sim::GainDb(Fader::Input, 0), 0.0);
  EXPECT_DOUBLE_EQ(sim::GainDb(Fader::Monitor, 0xFFFE), 12.0);
  EXPECT_EQ(sim::GainFactor(Fader::Output, 0), 0.0f);
  EXPECT_DOUBLE_EQ(sim::GainDb(Fader::Output, 0xFFFF), 0.0);
}

}  // namespace
}  // namespace mixer
