#pragma once
// The settings store's own helpers, shared by its units and by nothing
// outside src/platform: the system calls it makes, descriptors, and the
// identity of a file's state.
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace platform::profile_internal {

// ---- The system calls that touch the settings file, its temporary files
// and the journal. Every one goes through SetFileCallHook's hook, so that a
// trial can fail any of them; otherwise they are the plain calls.
namespace sys {
int Open(const char* path, int flags, mode_t mode = 0);
ssize_t Read(int fd, void* buffer, std::size_t n);
ssize_t Pread(int fd, void* buffer, std::size_t n, off_t offset);
ssize_t Write(int fd, const void* data, std::size_t n);
ssize_t Pwrite(int fd, const void* data, std::size_t n, off_t offset);
int Fsync(int fd);
int Rename(const char* from, const char* to);
int Ftruncate(int fd, off_t length);
int Unlink(const char* path);
// The descriptor is closed even when the call reports a failure.
int Close(int fd);
int Mkdir(const char* path, mode_t mode);
int Fallocate(int fd, int mode, off_t offset, off_t length);
}  // namespace sys

// ---- Small helpers around descriptors

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) sys::Close(fd_);
    fd_ = fd;
  }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Reads exactly n bytes from offset; false on an error or an early end.
// io_error, when given, is set on an error (not on an early end).
bool PreadAll(int fd, char* buffer, std::size_t n, off_t offset, bool* io_error = nullptr);
// Writes all of data, sequentially (offset < 0) or from offset.
bool WriteFully(int fd, std::string_view data, off_t offset);
// Makes a rename or an unlink durable; false when the flush failed.
bool SyncDirectory(const std::filesystem::path& dir);
// Removes a file of the store's own that a failure left (a temporary file,
// a journal), trying once more should the first attempt fail; true when it
// is gone.
bool RemoveLeftover(const std::filesystem::path& path);
// Replace or read what a link points to, not the link.
std::filesystem::path ResolveTarget(const std::filesystem::path& path);
// The directory a file is in ("." for a bare name).
std::filesystem::path DirectoryOf(const std::filesystem::path& target);
// Makes dir and whatever of its parents is missing, each with mode; true
// when dir is there (as a folder or anything else) afterwards.
bool MakeDirectories(const std::filesystem::path& dir, mode_t mode);

// ---- Identity of a file's state

// What tells one state of a file from another without reading it.
struct FileKey {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};
};

FileKey KeyOf(const struct stat& st);
bool operator==(const FileKey& a, const FileKey& b);
// False while the file was modified or changed so recently that it may
// still change without its key changing: a picture of it is not trusted.
bool SettledKey(const FileKey& key);

}  // namespace platform::profile_internal
