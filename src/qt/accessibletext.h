#pragma once
// A read-only text for assistive technology that reads text where it
// finds it (a screen reader's review of the window): what a control shows
// that is no caption, such as a meter's reading, made when asked.
#include <QAccessibleTextInterface>
#include <QRect>
#include <functional>

namespace qt {

class ReadOnlyText : public QAccessibleTextInterface {
 public:
  // text gives the whole text, area the control's place on the screen,
  // which each character is taken to fill.
  ReadOnlyText(std::function<QString()> text, std::function<QRect()> area)
      : text_(std::move(text)), area_(std::move(area)) {}

  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override;
  int characterCount() const override { return static_cast<int>(text_().size()); }
  QRect characterRect(int) const override { return area_(); }
  int offsetAtPoint(const QPoint&) const override { return 0; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override;

 private:
  std::function<QString()> text_;
  std::function<QRect()> area_;
};

}  // namespace qt
