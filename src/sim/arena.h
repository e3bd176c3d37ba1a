#pragma once
// The 16-bit global memory that the application shares with the driver.
// Every block has a selector of its own and starts at offset 0, so a 16:16
// pointer is (selector << 16) | offset. Selectors are handed out lowest free
// first from 0x0E07 in steps of 8, which keeps traces stable from run to run.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>

namespace sim {

class Arena16 {
 public:
  static constexpr std::uint16_t kFirstSelector = 0x0E07;
  static constexpr std::uint16_t kSelectorStep = 8;
  static constexpr std::uint32_t kMaxBlockSize = 0x10000;  // one segment

  // Returns the new zero-filled block's 16:16 pointer, 0 when the size is
  // not 1..64 KiB or the arena has no room left.
  std::uint32_t Alloc(std::uint32_t size);
  // Releases the block that vp starts; false when vp names no block start.
  bool Free(std::uint32_t vp);
  // Flat pointer to the size bytes at vp, null unless they lie inside one
  // block. Blocks are 4-byte aligned, so a word at offset 0 may be accessed
  // atomically. The pointer stays valid until the block is freed.
  std::uint8_t* Flat(std::uint32_t vp, std::uint32_t size);

  // Copies between the arena and plain memory under the arena's lock; the
  // driver's worker uses these, so a block freed meanwhile is never touched.
  bool Read(std::uint32_t vp, std::span<std::uint8_t> out);
  bool Write(std::uint32_t vp, std::span<const std::uint8_t> in);
  // Stores a 32-bit word with release ordering (the completion signal).
  bool StoreRelease(std::uint32_t vp, std::uint32_t value);

  // Total bytes the arena may hold; allocations beyond it fail.
  void SetLimit(std::size_t bytes);
  std::size_t BytesInUse() const;
  std::size_t BlockCount() const;

 private:
  struct Block {
    std::unique_ptr<std::uint32_t[]> words;
    std::uint32_t size = 0;
  };
  std::uint8_t* FlatLocked(std::uint32_t vp, std::uint32_t size);

  mutable std::mutex mu_;
  std::map<std::uint16_t, Block> blocks_;
  std::size_t limit_ = SIZE_MAX;
  std::size_t in_use_ = 0;
};

}  // namespace sim
