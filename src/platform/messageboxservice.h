#pragma once
// Where MessageBoxA sends its boxes. The GUI layer installs one that shows a
// real (or headless, scripted) modal box; the default records and answers
// with the box's first button.
#include <deque>
#include <string>
#include <vector>

#include "ui/wintypes.h"

namespace platform {

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows the box modally and returns the chosen button (IDOK, IDYES, ...).
  virtual int Show(HWND owner, const std::string& text, const std::string& caption, UINT flags) = 0;
};

// First button of a box with these flags: IDOK for MB_OK / MB_OKCANCEL, IDYES for MB_YESNO.
int FirstButton(UINT flags);

class RecordingMessageBoxService : public MessageBoxService {
 public:
  struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT flags;
  };
  int Show(HWND owner, const std::string& text, const std::string& caption, UINT flags) override;
  std::vector<Box> shown;
  std::deque<int> answers;  // taken in order; the first button when empty
};

}  // namespace platform
