#pragma once
// SharedBlock: the owner of one of a mixer window's 16-bit blocks, through
// which the driver answers. The block is freed with its owner, so a window
// frees its blocks by going away, whatever way its life ends.
#include "driver/controls.h"

namespace mixer {

class SharedBlock {
 public:
  SharedBlock() = default;
  ~SharedBlock() { Free(); }
  SharedBlock(const SharedBlock&) = delete;
  SharedBlock& operator=(const SharedBlock&) = delete;

  // Allocates a zero-filled block of size bytes in place of any held one.
  // A failed allocation leaves the block invalid; the messages that need
  // it are then left out.
  void Allocate(DWORD size) {
    Free();
    buffer_ = driver::AllocSharedBuffer(size);
  }

  bool valid() const { return buffer_.valid(); }
  // The 16:16 pointer offset bytes into the block, for the driver.
  DWORD At(DWORD offset) const { return buffer_.At(offset); }
  // Our own view of the bytes.
  BYTE* flat() const { return buffer_.flat; }
  // Stays the same object for the owner's life, so it may be kept.
  const driver::SharedBuffer* get() const { return &buffer_; }

 private:
  void Free() { driver::FreeSharedBuffer(buffer_); }

  driver::SharedBuffer buffer_;
};

}  // namespace mixer
