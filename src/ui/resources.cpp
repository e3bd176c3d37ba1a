#include "ui/resources.h"

namespace ui {

std::optional<std::string_view> FindResource(std::string_view name) {
  for (const auto& e : EmbeddedResources())
    if (e.name == name) return e.data;
  return std::nullopt;
}

}  // namespace ui
