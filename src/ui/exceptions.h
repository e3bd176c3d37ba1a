#pragma once
// The framework's exception types. EAbort is the silent abort: it ends the
// current operation and no message is shown. Every other Exception reaching
// the message loop becomes the standard error report.
#include <stdexcept>
#include <string>

namespace ui {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class ERangeError : public Exception {
 public:
  using Exception::Exception;
};

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

// Raises the silent abort.
[[noreturn]] inline void Abort() {
  throw EAbort();
}

}  // namespace ui
