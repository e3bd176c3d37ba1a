#pragma once
// Message boxes: the buttons and icon that the box's flags ask for, and the
// answer as the button's identifier (IDOK, IDCANCEL, IDYES, ...).
#include <QMessageBox>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/wintypes.h"

namespace qt {

// Button identifiers of a box's answer.
constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6,
              kIdNo = 7;

class MessageBoxView {
 public:
  MessageBoxView(QWidget* parent, const std::string& text, const std::string& caption, UINT flags);

  QMessageBox& box() { return *box_; }
  // The button that answers with id; null when the box has none.
  QAbstractButton* ButtonFor(int id) const;
  // The answer for a button of the box; a box closed without one answers
  // as its escape button, or with its first button when it has none.
  int AnswerFor(const QAbstractButton* clicked) const;
  // Shows the box modally and returns the answer.
  int Run();

 private:
  std::unique_ptr<QMessageBox> box_;
  std::vector<std::pair<QAbstractButton*, int>> buttons_;
  int escape_ = 0;
};

}  // namespace qt
