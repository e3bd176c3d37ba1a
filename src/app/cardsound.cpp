#include "app/cardsound.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ostream>
#include <string>

#include "shell/tbmainf.h"
#include "ui/form.h"

#ifdef MORVA_HAVE_JACK
#include "audio/jackcards.h"
#endif

namespace app {
namespace {

#ifdef MORVA_HAVE_JACK
class JackSound : public CardSound {
 public:
  JackSound(sim::System& system, std::ostream& err) : system_(system) {
    const int wanted = std::min(system.cards(), audio::kMaxJackCards);
    std::string why;
    const int opened = cards_.Open(wanted, &why);
    if (opened < wanted) {
      err << "morva-manager: audio=jack: " << audio::JackCards::ClientName(opened) << ": " << why
          << "; " << (opened == 0 ? "no card is there" : "it and the cards after it are absent")
          << "\n";
      system.SetCards(opened);
    }
    system.SetEngine(&cards_);
  }
  ~JackSound() override { system_.SetEngine(nullptr); }

  int removal_fd() const override { return cards_.removal_fd(); }

  void AnnounceRemovals(ui::TApplication& app) override {
    for (int card : cards_.TakeRemovals()) {
      // DEV_BROADCAST_DEVNODE: size, device type, reserved, device node. It
      // stays here for the posted messages.
      std::array<std::uint8_t, 16>& record = records_[card];
      const DWORD size = 16, type = shell::DBT_DEVTYP_DEVNODE;
      const DWORD devnode = system_.Card(card).devnode;
      std::memcpy(record.data(), &size, 4);
      std::memcpy(record.data() + 4, &type, 4);
      std::memcpy(record.data() + 12, &devnode, 4);
      for (ui::TForm* f : app.Forms())
        app.PostMessage(f->Handle(), WM_DEVICECHANGE, shell::DBT_DEVICEQUERYREMOVE,
                        reinterpret_cast<LPARAM>(record.data()));
    }
  }

 private:
  sim::System& system_;
  audio::JackCards cards_;
  std::array<std::array<std::uint8_t, 16>, audio::kMaxJackCards> records_{};
};
#endif

}  // namespace

std::unique_ptr<CardSound> CardSound::Open(sim::System& system, std::ostream& err) {
  if (system.knobs().audio != sim::Audio::Jack) return nullptr;
#ifdef MORVA_HAVE_JACK
  return std::make_unique<JackSound>(system, err);
#else
  err << "morva-manager: audio=jack: this build has no JACK; no card is there\n";
  system.SetCards(0);
  return nullptr;
#endif
}

}  // namespace app
