#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/paths.h"

namespace qorn::platform {

// An open file, closed when the object goes. Every open keeps the file from
// programs this one starts (close-on-exec; no inheritance on Windows), and
// on Windows shares it with every other open for reading, writing and
// deleting: the game goes on writing its log while it is read, and a file
// held open can still be renamed, replaced and deleted. When an open fails,
// the File is not open and SystemError::Last() says why.
class File {
 public:
  File() = default;
  ~File() { Close(); }
  File(File&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, kNone);
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // For reading, also a folder or something that is no file (Status() tells
  // which); a pipe never holds the open up. The reads are announced as
  // front to back, for the system's read-ahead.
  static File OpenForReading(const std::string& path);
  // A new file for writing under a name no file has: fails (AlreadyExists)
  // when one has it.
  static File CreateNew(const std::string& path);
  // For reading and writing, made when missing; a symbolic link at `path`
  // is not followed (the open fails).
  static File OpenOrCreate(const std::string& path);
  // A temporary file for reading and writing, named `prefix` and a few
  // characters that make it new, that disappears when it is closed, also
  // when the program is killed: on POSIX its name is removed at once, on
  // Windows the system deletes it with the last handle.
  static File CreateTemporary(const std::string& prefix);

  bool IsOpen() const { return handle_ != kNone; }
  // Closes the file; false when the close reports a failure (a write that
  // did not reach the disk).
  bool Close();

  std::optional<FileStatus> Status() const;

  // Up to `count` bytes from `offset`, fewer only where the file ends; -1
  // when the file cannot be read. Several threads may read at once.
  long long ReadAt(long long offset, char* into, size_t count) const;
  // All of `bytes` at the current position.
  bool WriteAll(std::string_view bytes);
  // The file's contents written through to the disk.
  bool Sync();
  bool Truncate(long long size);
  // Takes a lock that only one open file at a time holds, without waiting:
  // false when another holds it. Gone when the file is closed. On Windows
  // it locks a byte far behind any data, so that reads and writes of the
  // file through other handles (the database engine's) go on.
  bool TryLockExclusive();
  // Gives the file the mode of the file `old` describes (see FileStatus),
  // and, run as root, its owner as far as it can.
  bool TakeModeOf(const FileStatus& old);

 private:
  static constexpr intptr_t kNone = -1;  // also Windows' INVALID_HANDLE_VALUE
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = kNone;  // a descriptor on POSIX, a HANDLE on Windows
};

}  // namespace qorn::platform
