#pragma once
// Writing the settings file: what goes into it, the sink that writes it to
// a descriptor, and the replacement of the file (atomic where the
// directory takes a new file, in place where it does not). Internal to the
// settings store.
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

#include "platform/profile_document.h"
#include "platform/profile_file.h"
#include "platform/profile_io.h"
#include "platform/windir.h"

namespace platform::profile_internal {

// What goes into the file: its length and a way to hand its bytes out.
struct Payload {
  std::function<std::uint64_t()> size;
  std::function<bool(const ProfileDocument::Sink&)> write;
};

Payload PayloadOf(std::string_view content);
Payload PayloadOf(const ProfileDocument& doc);

constexpr std::size_t kPiece = 1 << 16;

// Writes the pieces it is handed to a descriptor, sequentially or from an
// offset, at most kPiece bytes per call. Under a full disk the first write
// stops part-way, as it would with "no space". With a hook, each call is
// preceded by the in-place step (a test's point to break the rewrite).
class FdSink {
 public:
  FdSink(int fd, off_t offset, DiskFault fault, const CommitFaultHook* hook = nullptr)
      : fd_(fd), offset_(offset), fault_(fault), hook_(hook) {}

  bool operator()(std::string_view data) {
    while (!data.empty()) {
      std::string_view piece = data.substr(0, kPiece);
      if (hook_ && *hook_) {
        const CommitFault f = (*hook_)(CommitStep::kWriteInPlace);
        if (f == CommitFault::kAbandon) {
          abandoned_ = true;
          return false;
        }
        if (f == CommitFault::kFail) {
          errno = EIO;
          return false;
        }
      }
      if (fault_ == DiskFault::kFull) {
        WriteFully(fd_, piece.substr(0, piece.size() / 2), offset_);
        errno = ENOSPC;
        return false;
      }
      if (!WriteFully(fd_, piece, offset_)) return false;
      if (offset_ >= 0) offset_ += static_cast<off_t>(piece.size());
      written_ += piece.size();
      data.remove_prefix(piece.size());
    }
    return true;
  }
  bool abandoned() const { return abandoned_; }
  std::uint64_t written() const { return written_; }

 private:
  int fd_;
  off_t offset_;
  DiskFault fault_;
  const CommitFaultHook* hook_;
  bool abandoned_ = false;
  std::uint64_t written_ = 0;
};

// A file whose write bits are all off is read-only, as Windows' attribute
// is: its content is never replaced, whoever runs the program.
bool ReadOnlyFile(const std::filesystem::path& target);

// Replaces target with the payload: atomically where the directory takes a
// new file, in place where it does not. final_state is the new file's.
CommitError Replace(const std::filesystem::path& target_path, const Payload& payload,
                    const CommitFaultHook& fault_hook, struct stat& final_state);

}  // namespace platform::profile_internal
