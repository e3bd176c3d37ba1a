#pragma once
// The section index of a settings document: an open-addressed table from a
// section's folded name to the first block of that name, and, for a name
// that stands more than once, its later blocks in file order. The index
// keeps no names: the document tells a block's name when asked, so a file
// of many sections costs a few words per section. Internal to the settings
// store.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/profile_text.h"

namespace platform {

class SectionIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Indexes blocks [0, blocks) in order: named(i) tells whether block i is
  // a section, name_of(i) its name as read, without blanks around it.
  template <typename Named, typename NameOf>
  void Build(std::size_t blocks, Named&& named, NameOf&& name_of) {
    std::size_t sections = 0;
    for (std::size_t i = 0; i < blocks; ++i) sections += named(i) ? 1 : 0;
    Reset(sections);
    for (std::size_t i = 0; i < blocks; ++i) {
      if (!named(i)) continue;
      const std::string_view name = name_of(i);
      const std::size_t first = Find(name, name_of);
      if (first == kNone) {
        Insert(profile_text::FoldHash(name), i);
      } else {
        duplicates_[static_cast<std::uint32_t>(first)].push_back(static_cast<std::uint32_t>(i));
      }
    }
  }

  // The first block of a section named name (blanks around it ignored,
  // letters matched without regard to case), or kNone.
  template <typename NameOf>
  std::size_t Find(std::string_view name, NameOf&& name_of) const {
    if (count_ == 0) return kNone;
    const std::string_view n = profile_text::Trim(name);
    const std::uint32_t h = profile_text::FoldHash(n);
    const std::size_t mask = table_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const Slot& s = table_[i];
      if (s.block_plus_one == 0) return kNone;
      if (s.hash == h && profile_text::FoldEqual(name_of(s.block_plus_one - 1), n))
        return s.block_plus_one - 1;
    }
  }

  // A block of a name that no block has yet.
  void Add(std::string_view name, std::size_t block) {
    Insert(profile_text::FoldHash(profile_text::Trim(name)), block);
  }
  // Removes block, the first of its name; the next block of that name, if
  // any, becomes the first.
  void Remove(std::size_t block, std::string_view name);

  // How many distinct names are indexed.
  std::size_t size() const { return count_; }
  std::size_t MemoryBytes() const { return table_.capacity() * sizeof(Slot); }

 private:
  struct Slot {
    std::uint32_t block_plus_one = 0;  // 0: empty
    std::uint32_t hash = 0;
  };
  void Reset(std::size_t names);
  void Insert(std::uint32_t hash, std::size_t block);
  void Grow();

  std::vector<Slot> table_;
  std::size_t count_ = 0;
  // First block of a name -> the later blocks of the same name, in order.
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> duplicates_;
};

}  // namespace platform
