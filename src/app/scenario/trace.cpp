#include "scenario/trace.h"

#include "platform/shellapi.h"
#include "ui/form.h"
#include "ui/sysutils.h"

namespace scenario {

namespace {
const char* DirName(platform::WaveDir d) {
  return d == platform::WaveDir::In ? "in" : "out";
}
}  // namespace

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

std::string Hex(std::uint64_t v, int digits) {
  return "0x" + ui::IntToHex(v, digits);
}

void Trace::WaveOpened(platform::WaveDir d, std::uintptr_t h, UINT device) {
  Line(std::string("open ") + DirName(d) + " h" + std::to_string(h) + " dev" +
       std::to_string(device));
}

void Trace::WaveClosed(platform::WaveDir d, std::uintptr_t h) {
  Line(std::string("close ") + DirName(d) + " h" + std::to_string(h));
}

void Trace::WaveMessage(platform::WaveDir d, std::uintptr_t h, UINT msg, DWORD_PTR p1, DWORD_PTR) {
  Line(std::string("msg ") + DirName(d) + " h" + std::to_string(h) + " " + Hex(msg, 4) + " " +
       Hex(static_cast<std::uint32_t>(p1), 8));
}

void Trace::MessageBoxShown(const std::string& caption, UINT flags, const std::string& text) {
  Line("box " + Quote(caption) + " " + Hex(flags, 2) + " " + Quote(text));
}

void Trace::ProgramStarted(const std::string&, const std::string& params) {
  Line("bridge " + Quote(params));
}

void Trace::TrayIcon(DWORD nim, const std::string& tip) {
  if (nim == NIM_ADD)
    Line("tray add " + Quote(tip));
  else if (nim == NIM_DELETE)
    Line("tray delete");
}

void Trace::TimerStarted(UINT id, UINT delay) {
  Line("timer start t" + std::to_string(id) + " " + std::to_string(delay));
}

void Trace::TimerKilled(UINT id) {
  Line("timer kill t" + std::to_string(id));
}

void Trace::FormChanged(ui::FormEvent e, ui::TForm& form) {
  static const char* kWords[] = {"create", "show", "hide", "destroy", "modal", "endmodal"};
  Line(std::string(kWords[static_cast<int>(e)]) + " " + form.Name());
}

}  // namespace scenario
