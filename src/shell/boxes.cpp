#include "shell/boxes.h"

#include "platform/winuser.h"

namespace shell {

void ConnectMessageBoxes(ui::TApplication& app, platform::Platform& platform,
                         WidgetsetBoxes& boxes) {
  platform.set_message_boxes(&boxes);
  app.SetMessageBoxFunction(
      [](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
        return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
      });
}

}  // namespace shell
