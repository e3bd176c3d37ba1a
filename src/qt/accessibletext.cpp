#include "qt/accessibletext.h"

#include <algorithm>

namespace qt {

QString ReadOnlyText::text(int start, int end) const {
  const QString all = text_();
  const int n = static_cast<int>(all.size());
  if (end < 0 || end > n) end = n;
  start = std::clamp(start, 0, end);
  return all.mid(start, end - start);
}

QString ReadOnlyText::attributes(int offset, int* start, int* end) const {
  *start = 0;
  *end = std::max(offset, characterCount());
  return {};
}

}  // namespace qt
