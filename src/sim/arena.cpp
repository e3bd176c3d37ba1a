#include "sim/arena.h"

#include <atomic>
#include <cstring>

namespace sim {

std::uint32_t Arena16::Alloc(std::uint32_t size) {
  if (size == 0 || size > kMaxBlockSize) return 0;
  std::lock_guard lock(mu_);
  if (size > limit_ || in_use_ > limit_ - size) return 0;
  std::uint32_t sel = kFirstSelector;
  while (sel <= 0xFFFF && blocks_.count(static_cast<std::uint16_t>(sel)) != 0) sel += kSelectorStep;
  if (sel > 0xFFFF) return 0;
  Block block;
  block.words = std::make_unique<std::uint32_t[]>((size + 3) / 4);  // zero-filled
  block.size = size;
  blocks_.emplace(static_cast<std::uint16_t>(sel), std::move(block));
  in_use_ += size;
  return sel << 16;
}

bool Arena16::Free(std::uint32_t vp) {
  if ((vp & 0xFFFF) != 0) return false;
  std::lock_guard lock(mu_);
  auto it = blocks_.find(static_cast<std::uint16_t>(vp >> 16));
  if (it == blocks_.end()) return false;
  in_use_ -= it->second.size;
  blocks_.erase(it);
  return true;
}

std::uint8_t* Arena16::FlatLocked(std::uint32_t vp, std::uint32_t size) {
  auto it = blocks_.find(static_cast<std::uint16_t>(vp >> 16));
  if (it == blocks_.end()) return nullptr;
  const std::uint32_t offset = vp & 0xFFFF;
  if (offset > it->second.size || size > it->second.size - offset) return nullptr;
  return reinterpret_cast<std::uint8_t*>(it->second.words.get()) + offset;
}

std::uint8_t* Arena16::Flat(std::uint32_t vp, std::uint32_t size) {
  std::lock_guard lock(mu_);
  return FlatLocked(vp, size);
}

bool Arena16::Read(std::uint32_t vp, std::span<std::uint8_t> out) {
  std::lock_guard lock(mu_);
  const std::uint8_t* p = FlatLocked(vp, static_cast<std::uint32_t>(out.size()));
  if (p == nullptr) return false;
  if (!out.empty()) std::memcpy(out.data(), p, out.size());
  return true;
}

bool Arena16::Write(std::uint32_t vp, std::span<const std::uint8_t> in) {
  std::lock_guard lock(mu_);
  std::uint8_t* p = FlatLocked(vp, static_cast<std::uint32_t>(in.size()));
  if (p == nullptr) return false;
  if (!in.empty()) std::memcpy(p, in.data(), in.size());
  return true;
}

bool Arena16::StoreRelease(std::uint32_t vp, std::uint32_t value) {
  if ((vp & 3) != 0) return false;
  std::lock_guard lock(mu_);
  std::uint8_t* p = FlatLocked(vp, 4);
  if (p == nullptr) return false;
  std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(p))
      .store(value, std::memory_order_release);
  return true;
}

void Arena16::SetLimit(std::size_t bytes) {
  std::lock_guard lock(mu_);
  limit_ = bytes;
}

std::size_t Arena16::BytesInUse() const {
  std::lock_guard lock(mu_);
  return in_use_;
}

std::size_t Arena16::BlockCount() const {
  std::lock_guard lock(mu_);
  return blocks_.size();
}

}  // namespace sim
