#include "platform/profile_index.h"

#include <algorithm>

namespace platform {

void SectionIndex::Reset(std::size_t names) {
  std::size_t size = 16;
  while (size < names * 2) size *= 2;
  table_.assign(size, Slot{});
  count_ = 0;
  duplicates_.clear();
}

void SectionIndex::Grow() {
  std::vector<Slot> old = std::move(table_);
  table_.assign(std::max<std::size_t>(16, old.size() * 2), Slot{});
  const std::size_t mask = table_.size() - 1;
  for (const Slot& s : old) {
    if (s.block_plus_one == 0) continue;
    std::size_t i = s.hash & mask;
    while (table_[i].block_plus_one != 0) i = (i + 1) & mask;
    table_[i] = s;
  }
}

void SectionIndex::Insert(std::uint32_t hash, std::size_t block) {
  if ((count_ + 1) * 2 > table_.size()) Grow();
  const std::size_t mask = table_.size() - 1;
  std::size_t i = hash & mask;
  while (table_[i].block_plus_one != 0) i = (i + 1) & mask;
  table_[i] = Slot{static_cast<std::uint32_t>(block + 1), hash};
  ++count_;
}

void SectionIndex::Remove(std::size_t block, std::string_view name) {
  if (table_.empty()) return;
  const std::uint32_t hash = profile_text::FoldHash(profile_text::Trim(name));
  const std::size_t mask = table_.size() - 1;
  std::size_t i = hash & mask;
  while (table_[i].block_plus_one != block + 1) {
    if (table_[i].block_plus_one == 0) return;
    i = (i + 1) & mask;
  }
  // Later slots of the probe run move back where their home allows.
  for (std::size_t j = (i + 1) & mask; table_[j].block_plus_one != 0; j = (j + 1) & mask) {
    const std::size_t home = table_[j].hash & mask;
    // The entry at j may move to i when its home does not lie in (i, j].
    const bool stays = i <= j ? (home > i && home <= j) : (home > i || home <= j);
    if (!stays) {
      table_[i] = table_[j];
      i = j;
    }
  }
  table_[i] = Slot{};
  --count_;
  const auto dup = duplicates_.find(static_cast<std::uint32_t>(block));
  if (dup == duplicates_.end()) return;
  std::vector<std::uint32_t> later = std::move(dup->second);
  duplicates_.erase(dup);
  const std::uint32_t next = later.front();
  later.erase(later.begin());
  Insert(hash, next);
  if (!later.empty()) duplicates_[next] = std::move(later);
}

}  // namespace platform
