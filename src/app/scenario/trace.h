#pragma once
// The runner's trace: one line per event the application causes outside,
// in the order it happens.
#include <cstdint>
#include <ostream>
#include <string>

#include "platform/observer.h"
#include "ui/application.h"

namespace scenario {

// "text" with \" \\ \r \n escaped.
std::string Quote(const std::string& s);
// 0x and upper-case hexadecimal digits, at least digits wide.
std::string Hex(std::uint64_t v, int digits);

class Trace : public platform::Observer, public ui::FormObserver {
 public:
  explicit Trace(std::ostream& out) : out_(out) {}
  void Line(const std::string& s) { out_ << s << '\n'; }

  void WaveOpened(platform::WaveDir d, std::uintptr_t h, UINT device) override;
  void WaveClosed(platform::WaveDir d, std::uintptr_t h) override;
  void WaveMessage(platform::WaveDir d, std::uintptr_t h, UINT msg, DWORD_PTR p1,
                   DWORD_PTR p2) override;
  void MessageBoxShown(const std::string& caption, UINT flags, const std::string& text) override;
  void ProgramStarted(const std::string& file, const std::string& params) override;
  void TrayIcon(DWORD nim, const std::string& tip) override;
  void TimerStarted(UINT id, UINT delay) override;
  void TimerKilled(UINT id) override;
  void FormChanged(ui::FormEvent e, ui::TForm& form) override;

 private:
  std::ostream& out_;
};

}  // namespace scenario
