#include "app/cardsound.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>

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
  JackSound(sim::System& system, std::ostream& err, const std::filesystem::path& dir)
      : system_(system) {
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
    if (!dir.empty() && system.knobs().remember_connections)
      cards_.KeepConnections(dir / kConnectionsFile);
  }
  ~JackSound() override { system_.SetEngine(nullptr); }

  int removal_fd() const override { return cards_.removal_fd(); }
  bool ServerGone() const override { return cards_.ServerGone(); }
  int midi_fd() const override { return cards_.midi_fd(); }
  void TakeMidi(const MidiTake& take) override {
    // A longer message (SysEx) keeps only its first bytes: it is handed on
    // as its first byte alone, which says what it was.
    cards_.TakeMidi([&take](int card, const audio::MidiEvent& e) {
      take(card, e.bytes.data(), e.size > e.bytes.size() ? 1 : e.size);
    });
  }
  void SendMidi(int card, const std::array<std::uint8_t, 3>& message) override {
    cards_.SendMidi(card, {3, message});
  }

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

std::unique_ptr<CardSound> CardSound::Open(sim::System& system, std::ostream& err,
                                           const std::filesystem::path& dir) {
  if (system.knobs().audio != sim::Audio::Jack) return nullptr;
#ifdef MORVA_HAVE_JACK
  return std::make_unique<JackSound>(system, err, dir);
#else
  err << "morva-manager: audio=jack: this build has no JACK; no card is there\n";
  system.SetCards(0);
  return nullptr;
#endif
}

bool CardSound::AwaitAudioServer(std::chrono::milliseconds limit,
                                 std::chrono::milliseconds interval) {
#ifdef MORVA_HAVE_JACK
  const bool forever = limit == std::chrono::milliseconds::max();
  const auto give_up = forever ? std::chrono::steady_clock::time_point::max()
                               : std::chrono::steady_clock::now() + limit;
  while (!audio::JackCards::ServerAnswers()) {
    if (!forever && std::chrono::steady_clock::now() + interval > give_up) return false;
    std::this_thread::sleep_for(interval);
  }
  return true;
#else
  (void)limit;
  (void)interval;
  return false;
#endif
}

}  // namespace app
