#pragma once

#include <string>

namespace qorn::platform {

// Why a call to the operating system failed: errno on POSIX, GetLastError()
// on Windows. Taken right after the call that failed, as errno is.
class SystemError {
 public:
  // The calling thread's last failure.
  static SystemError Last();
  // A read that ended before the bytes it was sure to find.
  static SystemError EndedEarly();

  int Code() const { return code_; }
  // Nothing by that name: the file, or a folder on its way, is missing.
  bool NotFound() const;
  // A file stands on the path where a folder should (POSIX's ENOTDIR;
  // Windows says NotFound).
  bool FileOnTheWay() const;
  // Something by that name is there already.
  bool AlreadyExists() const;
  // The disk or the user's share of it is full, or the file at its largest.
  bool DiskFull() const;
  // The system's words for it, as strerror gives them.
  std::string Text() const;

 private:
  explicit SystemError(int code) : code_(code) {}
  int code_;
};

}  // namespace qorn::platform
