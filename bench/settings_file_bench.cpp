// The program on a settings file of many presets (50 MB by default): the
// first opening of the control window from the tray, opening and closing a
// mixer window, closing and showing the control window again, listing the
// presets and saving a combined one, each timed on the wall clock, with the
// program's peak memory before and after.
//   morva-settings-bench [MEGABYTES]
// and the preset picker listing 12,500 to 100,000 presets stored in
// descending, shuffled and ascending order:
//   morva-settings-bench picker
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/headless_program.h"
#include "controls/Class_b.h"
#include "platform/profile_file.h"
#include "platform/windowing.h"
#include "platform/winuser.h"
#include "settings/mixset.h"
#include "shell/Mixctrl.h"
#include "shell/boxes.h"
#include "shell/tbmainf.h"
#include "ui/useractions.h"

namespace fs = std::filesystem;

namespace {

// Peak resident memory of this process so far, in bytes.
std::size_t PeakBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
  }
  return 0;
}

// A long-used file: the control window's section (which reopens the analog
// outputs window), then presets of every window, written piece by piece so
// that this process never holds the whole file.
std::uint64_t WriteManyPresets(const fs::path& path, std::uint64_t bytes) {
  std::ofstream out(path, std::ios::binary);
  out << "[Morva]\r\nchkAnalogOutputs=1\r\nchkStayOnTop=0\r\nTop=200\r\nLeft=400\r\n";
  const char* windows[] = {"Analog Inputs", "Analog Outputs", "Analog Input Monitors",
                           "Digital Input", "Digital Output"};
  std::uint64_t written = 0;
  for (int p = 0; written < bytes; ++p) {
    std::string chunk = "[Morva Preset " + std::to_string(p) + "]\r\nchkAnalogInputs=0\r\n";
    for (const char* w : windows) {
      chunk += std::string("[") + w + " Preset " + std::to_string(p) + "]\r\n";
      for (int k = 0; k < 40; ++k)
        chunk +=
            "Slider" + std::to_string(k) + "=" + std::to_string((p * 37 + k * 11) % 32768) + "\r\n";
    }
    out << chunk;
    written += chunk.size();
  }
  return written;
}

// The time from the control window's load command until its picker is
// shown with `presets` combined presets listed, stored in the given order.
double PickerMs(const fs::path& dir, int presets, const std::string& order) {
  std::vector<int> numbers(static_cast<std::size_t>(presets));
  for (int i = 0; i < presets; ++i) numbers[static_cast<std::size_t>(i)] = i;
  if (order == "descending") std::reverse(numbers.begin(), numbers.end());
  if (order == "shuffled") std::shuffle(numbers.begin(), numbers.end(), std::mt19937(1));
  {
    std::ofstream out(dir / "Vozururo.ini", std::ios::binary);
    for (int n : numbers) out << "[Morva Preset " << n << "]\r\nchkStayOnTop=0\r\n";
  }
  testing_support::HeadlessProgram program(dir, 1);
  shell::AppState& state = program.state;
  using Clock = std::chrono::steady_clock;
  Clock::time_point t0;
  double ms = 0;
  std::size_t listed = 0;
  program.ws.Script([&] { shell::ShowControlWindow(state); });
  program.ws.Script([&] {
    t0 = Clock::now();
    PostMessageA(state.MixControlWnd->Handle(), WM_SYSCOMMAND, settings::kLoadPresetCommand, 0);
  });
  program.ws.Script([&] {
    ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    auto* picker = dynamic_cast<settings::TfrmMixSettings*>(program.app.Forms().back());
    listed = picker->lstNames->Items().size();
    ui::user::Click(picker->btnCancel);
  });
  program.ws.Script([&] { state.frmMain->ExitClick(nullptr); });
  shell::ProgramMain(program.app, state);
  if (listed != static_cast<std::size_t>(presets)) std::fprintf(stderr, "listed %zu\n", listed);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "picker") {
    const fs::path dir =
        fs::temp_directory_path() / ("morva_picker_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::printf("%-10s %-12s %10s\n", "presets", "order", "ms");
    for (int presets : {12500, 50000, 100000}) {
      for (const char* order : {"descending", "shuffled", "ascending"})
        std::printf("%-10d %-12s %10.1f\n", presets, order, PickerMs(dir, presets, order));
    }
    fs::remove_all(dir);
    return 0;
  }
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50;
  const fs::path dir =
      fs::temp_directory_path() / ("morva_settings_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::uint64_t file_bytes = WriteManyPresets(dir / "Vozururo.ini", megabytes << 20);

  using Clock = std::chrono::steady_clock;
  struct Step {
    std::string what;
    double ms;
    std::size_t peak;
  };
  std::vector<Step> steps;
  std::size_t baseline = 0;
  {
    testing_support::HeadlessProgram program(dir, 4);
    ui::HeadlessWidgetset& ws = program.ws;
    ui::TApplication& app = program.app;
    shell::AppState& state = program.state;
    shell::WidgetsetBoxes boxes(ws);
    shell::ConnectMessageBoxes(app, program.platform, boxes);
    Clock::time_point started;
    std::string current;
    // Each action starts its clock; the next scripted step, which runs once
    // the program waits for input again, stops it.
    auto act = [&](std::string what, std::function<void()> action) {
      ws.Script([&, what, action] {
        if (!current.empty())
          steps.push_back(
              {current, std::chrono::duration<double, std::milli>(Clock::now() - started).count(),
               PeakBytes()});
        current = what;
        started = Clock::now();
        action();
      });
    };
    baseline = PeakBytes();
    auto picker = [&app] { return dynamic_cast<settings::TfrmMixSettings*>(app.Forms().back()); };
    act("first tray double click (reads the file, reopens a window)",
        [&] { shell::ShowControlWindow(state); });
    act("open a mixer window", [&] { ui::user::Click(state.MixControlWnd->chkDigitalInputs); });
    act("close it (its section is new: the file is written)",
        [&] { ui::user::Click(state.MixControlWnd->chkDigitalInputs); });
    act("open it again", [&] { ui::user::Click(state.MixControlWnd->chkDigitalInputs); });
    act("close it again (nothing changed: nothing written)",
        [&] { ui::user::Click(state.MixControlWnd->chkDigitalInputs); });
    act("close the control window (saves, closes its windows)",
        [&] { state.MixControlWnd->Close(); });
    act("tray double click again", [&] { shell::ShowControlWindow(state); });
    act("list the combined presets (picker opens)", [&] {
      PostMessageA(state.MixControlWnd->Handle(), WM_SYSCOMMAND, settings::kSavePresetCommand, 0);
    });
    act("save a combined preset (six sections, hidden windows)", [&] {
      picker()->edName->SetText("Bench");
      ui::user::Click(picker()->btnOk);
    });
    act("exit", [&] { state.frmMain->ExitClick(nullptr); });
    const auto reads_before = platform::ProfileFileReads();
    shell::ProgramMain(app, state);
    steps.push_back({current,
                     std::chrono::duration<double, std::milli>(Clock::now() - started).count(),
                     PeakBytes()});
    std::printf("file %.1f MB, read from disk %llu time(s)\n", file_bytes / 1048576.0,
                static_cast<unsigned long long>(platform::ProfileFileReads() - reads_before));
  }
  std::printf("%-58s %10s %14s\n", "action", "ms", "peak MB");
  for (const Step& s : steps)
    std::printf("%-58s %10.1f %14.1f\n", s.what.c_str(), s.ms, s.peak / 1048576.0);
  const std::size_t peak = PeakBytes();
  std::printf(
      "peak memory: %.1f MB (%.1f MB before the program ran): %.2f times the file, "
      "%.2f times it above the start\n",
      peak / 1048576.0, baseline / 1048576.0, static_cast<double>(peak) / file_bytes,
      static_cast<double>(peak - baseline) / file_bytes);
  fs::remove_all(dir);
  return 0;
}
