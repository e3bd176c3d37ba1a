#pragma once
// TfrmWaveLevel: the playback side of every card's eight analog outputs,
// one strip of four stereo pairs per card: a peak meter, a level fader and
// a mute button per channel and a link box per pair. Fader levels go out
// as the standard wave-out volume, mutes and metering through the card's
// own messages, all on wave-out control handles. Further cards' strips are
// clones of the first, made at creation.
#include <cstdint>

#include "driver/controls.h"
#include "mixer/mixerform.h"
#include "ui/buttons.h"

namespace controls {
class TExtCheckBox;
}
namespace ui {
class TScrollBox;
}

namespace mixer {

// The level scale: the driver's 0..65535 spans the fader's 0..511 on a
// logarithmic curve, K = 65535 / log10(511).
double OutputLevelScale();
// The wave volume word for a fader position: K x log10(position + 1),
// kept within 0..65535 and rounded to nearest (halves to even).
std::uint16_t OutputLevelOf(std::int32_t position);
// The fader position for a volume word, the inverse of the above:
// round(10^(level / K)) - 1, so 65535 shows as 510.
std::int32_t PositionOfOutputLevel(std::uint16_t level);

class TfrmWaveLevel : public TMixerForm {
 public:
  static constexpr int kFixedHeight = 470;
  // One card's strip widens the size limit by this much.
  static constexpr int kWidthPerCard = 315;
  // The 80-byte mute block holds one word per channel.
  static constexpr int kMuteWords = 40;

  TfrmWaveLevel(ui::TComponent* owner, shell::AppState& app);
  const char* ClassName() const override { return "TfrmWaveLevel"; }
  std::string LayoutName() const override { return "Wavelv.form"; }

  int MaxTrackWidth() const override { return kWidthPerCard * CardCount() + kWidthMargin; }

  void btnMuteOut1Click(ui::TComponent* Sender);

  void ReadOutputLevels();
  void ReadOutputMutes();

  // Word ch of the mute block as last read or written.
  std::uint16_t MuteWord(int ch) const;

  ui::TPanel* pnChecks = nullptr;
  controls::TExtCheckBox* chkPeakMeter = nullptr;
  controls::TExtCheckBox* chkFader = nullptr;
  ui::TPanel* grpGround = nullptr;
  ui::TScrollBox* ScrollBox1 = nullptr;
  ui::TPanel* pnMeters = nullptr;
  ui::TPanel* pnMeter12 = nullptr;
  ui::TPanel* pnSliders = nullptr;
  ui::TPanel* pnSlider12 = nullptr;
  ui::TPanel* pnNumbers = nullptr;

 protected:
  MixerParts Parts() override;
  bool RenumberOwnClone(ui::TControl* control) override;
  void CreateState() override;
  void ReadDriverState() override;
  void WriteFader(const controls::TSlider& fader) override;

 private:
  // A mute button's channel when the window has a handle and a word for it.
  bool IsMuteChannel(int ch) const;

  SharedBlock volume_buffer_;
  SharedBlock level_buffer_;
  SharedBlock mute_block_;
};

}  // namespace mixer
