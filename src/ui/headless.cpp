#include "ui/headless.h"

namespace ui {

int FirstButtonOf(UINT flags) {
  switch (flags & 0xF) {
    case 3:  // yes, no, cancel
    case 4:  // yes, no
      return 6;
    case 2:  // abort, retry, ignore
      return 3;
    case 5:  // retry, cancel
      return 4;
    default:
      return 1;
  }
}

int HeadlessWidgetset::MessageBox(HWND owner, const std::string& text, const std::string& caption,
                                  UINT flags) {
  Box b{owner, text, caption, flags};
  boxes_.push_back(b);
  if (answerer_) return answerer_(b);
  if (!box_answers.empty()) {
    int a = box_answers.front();
    box_answers.pop_front();
    return a;
  }
  return FirstButtonOf(flags);
}

void HeadlessWidgetset::WaitForInput() {
  if (input_) {
    input_();
    return;
  }
  if (script_.empty()) throw NoInputError();
  auto action = std::move(script_.front());
  script_.pop_front();
  action();
}

}  // namespace ui
