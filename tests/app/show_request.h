#pragma once
// What a second start sends the running instance, tried on the raw
// sockets: "show" and a line feed.
#include <unistd.h>

#include <cstring>

#include "app/instance.h"

namespace testing_support {

// Sends "show"; false when no instance of this user answers.
inline bool SendShow(app::SingleInstance& s) {
  const int fd = s.Connect();
  if (fd < 0) return false;
  const bool ok = ::write(fd, "show\n", 5) == 5;
  ::close(fd);
  return ok;
}

// Takes one waiting request; true when it was "show".
inline bool TakeShow(const app::SingleInstance& s) {
  const int fd = s.Accept();
  if (fd < 0) return false;
  char buf[16] = {};
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  return n == 5 && std::strcmp(buf, "show\n") == 0;
}

}  // namespace testing_support
