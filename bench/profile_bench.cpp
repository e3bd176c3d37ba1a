// Saving and loading one combined preset (about 400 keys over six sections)
// in a settings file that already holds 100 presets: the one-operation store
// against the one-shot profile functions, which reread, reparse and replace
// the file for every key.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "common/combined_save.h"
#include "platform/profile.h"
#include "platform/windir.h"
#include "settings/inifile.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* kIni = "Vozururo.ini";

// Four cards' worth of every named control, by window.
const std::vector<std::pair<std::string, int>>& Windows() {
  static const std::vector<std::pair<std::string, int>> windows = {
      {"Morva", 8},           {"Analog Inputs", 120}, {"Analog Input Monitors", 140},
      {"Analog Outputs", 92}, {"Digital Input", 20},  {"Digital Output", 20}};
  return windows;
}

std::string KeyName(int window, int i) {
  static const char* const prefixes[] = {"chk", "Slider", "chkLink", "scrOut", "pn", "btn"};
  return prefixes[window] + std::to_string(i);
}

std::string BaseFile() {
  std::string out;
  for (int preset = 0; preset < 100; ++preset) {
    for (std::size_t w = 0; w < Windows().size(); ++w) {
      out += "[" + Windows()[w].first + " Preset " + std::to_string(preset) + "]\r\n";
      for (int i = 0; i < Windows()[w].second; ++i) {
        out += KeyName(static_cast<int>(w), i) + "=" + std::to_string(i * 257 % 32768) + "\r\n";
      }
    }
  }
  return out;
}

const std::string& Base() {
  static const std::string base = BaseFile();
  return base;
}

// The Windows directory of the run: a fresh temporary directory, removed at exit.
class BenchDirectory {
 public:
  BenchDirectory() {
    std::string dir = (fs::temp_directory_path() / "morva_bench_XXXXXX").string();
    // Never fall back to the user's own settings directory.
    if (!::mkdtemp(dir.data())) std::abort();
    dir_ = dir;
    platform::SetWindowsDirectory(dir_);
  }
  ~BenchDirectory() { fs::remove_all(dir_); }

 private:
  fs::path dir_;
};

void ResetFile() {
  static const BenchDirectory directory;
  std::ofstream(platform::WindowsDirectory() / kIni, std::ios::binary) << Base();
}

void BM_SaveOneOperation(benchmark::State& state) {
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ResetFile();
    ++round;
    state.ResumeTiming();
    settings::TIniFile ini(kIni);
    for (std::size_t w = 0; w < Windows().size(); ++w) {
      const std::string section = Windows()[w].first + " Studio";
      for (int i = 0; i < Windows()[w].second; ++i) {
        ini.WriteInteger(section, KeyName(static_cast<int>(w), i), i + round);
      }
    }
    ini.UpdateFile();
  }
  state.counters["file_bytes"] = static_cast<double>(Base().size());
}

void BM_SaveNaive(benchmark::State& state) {
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ResetFile();
    ++round;
    state.ResumeTiming();
    for (std::size_t w = 0; w < Windows().size(); ++w) {
      const std::string section = Windows()[w].first + " Studio";
      for (int i = 0; i < Windows()[w].second; ++i) {
        const std::string value = std::to_string(i + round);
        WritePrivateProfileStringA(section.c_str(), KeyName(static_cast<int>(w), i).c_str(),
                                   value.c_str(), kIni);
      }
    }
  }
}

void BM_LoadOneOperation(benchmark::State& state) {
  ResetFile();
  for (auto _ : state) {
    const settings::TIniFile ini(kIni);
    long sum = 0;
    for (std::size_t w = 0; w < Windows().size(); ++w) {
      const std::string section = Windows()[w].first + " Preset 50";
      for (int i = 0; i < Windows()[w].second; ++i) {
        sum += ini.ReadInteger(section, KeyName(static_cast<int>(w), i), 0);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
}

void BM_LoadNaive(benchmark::State& state) {
  ResetFile();
  char buffer[2048];
  for (auto _ : state) {
    long sum = 0;
    for (std::size_t w = 0; w < Windows().size(); ++w) {
      const std::string section = Windows()[w].first + " Preset 50";
      for (int i = 0; i < Windows()[w].second; ++i) {
        GetPrivateProfileStringA(section.c_str(), KeyName(static_cast<int>(w), i).c_str(), "0",
                                 buffer, sizeof buffer, kIni);
        sum += std::stol(buffer);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
}

// The path the program takes: the control window's combined save with four
// cards (the closed windows made as hidden copies) into a file of 100
// presets.
void BM_CombinedSaveAsTheProgramDoes(benchmark::State& state) {
  const fs::path dir =
      fs::temp_directory_path() / ("morva_bench_combined_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string base = testing_support::ManyPresets(100);
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(dir / kIni, std::ios::binary) << base;
    state.ResumeTiming();
    testing_support::SaveCombinedPreset(dir, [] {});
  }
  platform::SetWindowsDirectory({});
  fs::remove_all(dir);
}
BENCHMARK(BM_CombinedSaveAsTheProgramDoes)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_SaveOneOperation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveNaive)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadOneOperation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadNaive)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
