#pragma once
// A fresh simulated system with a virtual clock, installed as the current
// platform, and an observer that records every outside event as a line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/simsurroundings.h"

namespace testing_support {

class LineObserver : public platform::Observer {
 public:
  static const char* Dir(platform::WaveDir d) { return d == platform::WaveDir::In ? "in" : "out"; }
  void WaveOpened(platform::WaveDir d, std::uintptr_t h, UINT dev) override {
    Add(std::string("open ") + Dir(d) + " h" + std::to_string(h) + " dev" + std::to_string(dev));
  }
  void WaveClosed(platform::WaveDir d, std::uintptr_t h) override {
    Add(std::string("close ") + Dir(d) + " h" + std::to_string(h));
  }
  void WaveMessage(platform::WaveDir d, std::uintptr_t h, UINT msg, DWORD_PTR p1,
                   DWORD_PTR) override {
    char text[64];
    std::snprintf(text, sizeof text, "msg %s h%zu 0x%04X 0x%08llX", Dir(d),
                  static_cast<std::size_t>(h), msg, static_cast<unsigned long long>(p1));
    Add(text);
  }
  void MessageBoxShown(const std::string& caption, UINT flags, const std::string& text) override {
    char f[8];
    std::snprintf(f, sizeof f, "0x%02X", flags);
    Add("box \"" + caption + "\" " + f + " \"" + text + "\"");
  }
  void ProgramStarted(const std::string& file, const std::string& params) override {
    Add("start " + file + " \"" + params + "\"");
  }
  void TrayIcon(DWORD nim, const std::string& tip) override {
    Add(nim == 0 ? "tray add \"" + tip + "\"" : nim == 2 ? "tray delete" : "tray modify");
  }
  void TimerStarted(UINT id, UINT delay) override {
    Add("timer start t" + std::to_string(id) + " " + std::to_string(delay));
  }
  void TimerKilled(UINT id) override { Add("timer kill t" + std::to_string(id)); }

  void Add(std::string line) { lines.push_back(std::move(line)); }
  // The recorded lines that start with prefix.
  std::vector<std::string> With(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : lines) {
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    }
    return out;
  }
  std::vector<std::string> lines;
};

// The simulated machine with its own folders (the driver's stored
// configuration and the settings file in config_dir); one card until a test
// says otherwise.
class SimPlatformTest : public ::testing::Test, public platform::SimSurroundings {
 protected:
  SimPlatformTest() { platform.set_observer(&observer); }

  std::vector<platform::RecordingMessageBoxService::Box>& boxes() {
    return platform.recording_boxes().shown;
  }

  LineObserver observer;
  const std::filesystem::path& config_dir = windows_folder();
};

}  // namespace testing_support
