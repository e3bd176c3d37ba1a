#include "platform/messageboxservice.h"

#include <string>

#include "platform/platform.h"
#include "platform/winuser.h"

namespace platform {

int FirstButton(UINT flags) {
  switch (flags & 0x0F) {
    case 2:
      return 3;  // abort, retry, ignore: IDABORT
    case 3:      // yes, no, cancel
    case MB_YESNO:
      return IDYES;
    case 5:
      return 4;  // retry, cancel: IDRETRY
    default:
      return IDOK;  // MB_OK, MB_OKCANCEL
  }
}

int RecordingMessageBoxService::Show(HWND owner, const std::string& text,
                                     const std::string& caption, UINT flags) {
  shown.push_back(Box{owner, text, caption, flags});
  if (answers.empty()) return FirstButton(flags);
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace platform

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  platform::Platform& p = platform::CurrentPlatform();
  const std::string text = lpText != nullptr ? lpText : "";
  // A null caption shows the system's default caption.
  const std::string caption = lpCaption != nullptr ? lpCaption : "Error";
  if (p.observer() != nullptr) p.observer()->MessageBoxShown(caption, uType, text);
  return p.message_boxes().Show(hWnd, text, caption, uType);
}
