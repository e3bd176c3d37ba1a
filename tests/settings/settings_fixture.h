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
  // First, so it goes last: the windows are gone before their directory.
  testing_support::TempWindowsDir tmp_{"morva_settings"};
  const fs::path& dir_ = tmp_.path();

  TTestWindow* MakeWindow(const std::string& layout) {
    auto* w = ui::Create<TTestWindow>(&app);
    w->InitializeFrom("test.form", layout);
    return w;
  }
  void Put(const std::string& content) { tmp_.Put(content); }
  std::string Content() const { return tmp_.Content(); }

  ui::HeadlessWidgetset ws;
  ui::TApplication app{ws};
  // The first form is the main form, whose closing would end the program.
  ui::TForm* main_form = ui::Create<ui::TForm>(&app);
};

}  // namespace settings::testing
