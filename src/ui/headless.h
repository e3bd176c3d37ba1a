#pragma once
// The headless widgetset: no peers, message boxes answered by script, and
// "waiting for input" means running the next scripted user action. Tests and
// the scenario runner act as the user through it.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/widgetset.h"

namespace ui {

// Raised when the application waits for the user and nothing is scripted:
// a test that would hang fails instead.
class NoInputError : public std::runtime_error {
 public:
  NoInputError() : std::runtime_error("the application waits for input and none is scripted") {}
};

class HeadlessWidgetset : public Widgetset {
 public:
  struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT flags;
  };
  using BoxAnswerer = std::function<int(const Box&)>;
  using InputSource = std::function<void()>;

  std::unique_ptr<Peer> CreatePeer(TControl&) override { return nullptr; }
  int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                 UINT flags) override;
  void WaitForInput() override;
  void Wake() override {}

  // The user's next actions while the application waits (tests).
  void Script(std::function<void()> action) { script_.push_back(std::move(action)); }
  bool ScriptEmpty() const { return script_.empty(); }
  // Answers for the next message boxes, in order; the first button when none.
  std::deque<int> box_answers;
  // Replaces both of the above (the scenario runner).
  void SetInputSource(InputSource s) { input_ = std::move(s); }
  void SetBoxAnswerer(BoxAnswerer a) { answerer_ = std::move(a); }
  const std::vector<Box>& boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }

 private:
  std::deque<std::function<void()>> script_;
  std::vector<Box> boxes_;
  InputSource input_;
  BoxAnswerer answerer_;
};

// The first button of a box with these flags (IDOK, or IDYES for yes/no boxes).
int FirstButtonOf(UINT flags);

}  // namespace ui
