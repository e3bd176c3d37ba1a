#pragma once
// The keyboard order of a window: its own boxes and buttons first (the
// option row), then the strips from the left, each from top to bottom as a
// sighted user reads it: source buttons, faders, link box, mutes.
class QWidget;

namespace qt {

void OrderTabs(QWidget* window);

}  // namespace qt
