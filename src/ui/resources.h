#pragma once
// Files of resources/ embedded into the binary at build time.
#include <optional>
#include <span>
#include <string_view>

namespace ui {

struct ResourceEntry {
  std::string_view name;
  std::string_view data;
};

std::span<const ResourceEntry> EmbeddedResources();

// The embedded file with this name ("Mixctrl.form"), if any.
std::optional<std::string_view> FindResource(std::string_view name);

}  // namespace ui
