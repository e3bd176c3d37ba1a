#pragma once
// A fresh application, headless widgetset and Windows directory per test,
// and a test window read from a layout text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/tempdir.h"
#include "controls/audioctl32.h"
#include "platform/windir.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless.h"

namespace settings::testing {

namespace fs = std::filesystem;

// A window whose handlers record what ran, for layouts of the tests' own.
class TTestWindow : public ui::TForm {
 public:
  explicit TTestWindow(ui::TComponent* owner) : ui::TForm(owner) {
    controls::RegisterControlClasses();
    Handler("Note", &TTestWindow::Note);
    Handler("FormClose", &TTestWindow::FormClose);
  }
  const char* ClassName() const override { return "TTestWindow"; }
  void Note(ui::TComponent* sender) {
    log += sender->Name() + ";";
    if (on_note) on_note(sender);
  }
  void FormClose(ui::TComponent*, ui::TCloseAction&) { log += "close;"; }
  std::function<void(ui::TComponent*)> on_note;
  std::string log;
};

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing_support::MakeTempDir("morva_settings");
    platform::SetWindowsDirectory(dir_);
  }
  void TearDown() override {
    platform::SetWindowsDirectory({});
    fs::remove_all(dir_);
  }

  TTestWindow* MakeWindow(const std::string& layout) {
    auto* w = ui::Create<TTestWindow>(&app);
    w->InitializeFrom("test.form", layout);
    return w;
  }
  void Put(const std::string& content) {
    std::ofstream(dir_ / "Vozururo.ini", std::ios::binary) << content;
  }
  std::string Content() const {
    std::ifstream in(dir_ / "Vozururo.ini", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
  ui::HeadlessWidgetset ws;
  ui::TApplication app{ws};
  // The first form is the main form, whose closing would end the program.
  ui::TForm* main_form = ui::Create<ui::TForm>(&app);
};

}  // namespace settings::testing
