#pragma once
// Every message box of the program, the framework's error report included,
// goes through the platform's MessageBoxA (so it is observed) and is shown
// by the widgetset.
#include "platform/platform.h"
#include "ui/application.h"

namespace shell {

class WidgetsetBoxes : public platform::MessageBoxService {
 public:
  explicit WidgetsetBoxes(ui::Widgetset& ws) : ws_(ws) {}
  int Show(HWND owner, const std::string& text, const std::string& caption, UINT flags) override {
    return ws_.MessageBox(owner, text, caption, flags);
  }

 private:
  ui::Widgetset& ws_;
};

// Routes the application's boxes to MessageBoxA and MessageBoxA's to the
// widgetset. boxes must live as long as the platform uses it.
void ConnectMessageBoxes(ui::TApplication& app, platform::Platform& platform,
                         WidgetsetBoxes& boxes);

}  // namespace shell
