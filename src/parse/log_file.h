#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "parse/log_identity.h"
#include "platform/file.h"

namespace qorn {

// What became of a log since the parse that `stored` identifies.
enum class LogSince {
  Unchanged,  // the same file as it was read
  Grew,       // the same file, the bytes read as they were, more behind them
  Replaced,   // another file under the name, or the file under another name
  Shrank,     // the same file, shorter than what was read
  // The same file written over in place: the hashes of what was read differ,
  // or at the same size the time it was last written does.
  Edited,
};

// The log, opened once for one command: every step of the command reads the
// same file, also when another is put under its name meanwhile. Its size and
// time are those it had when it was opened; what the game appends later is
// for the next command. Reads are positioned, so several threads read it at
// once.
class LogFile {
 public:
  // Throws qorn::Error when the file cannot be opened, or is a folder or no
  // file at all (a pipe); its Detail() is the reason alone.
  explicit LogFile(const std::string& path);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  const std::string& Path() const { return path_; }  // as given
  long long Size() const { return size_; }

  // Up to `count` bytes from `offset`; fewer only where the file ends. Throws
  // qorn::Error when the file cannot be read.
  size_t ReadAt(long long offset, char* into, size_t count) const;
  std::string Read(long long offset, long long count) const;

  // Whether the first `bytes` bytes end at a line end (IsLineEnd; true for none).
  bool EndsAtLineEnd(long long bytes) const;
  // The first line start at `offset` or behind it: `offset` itself when it is
  // 0, not before Size(), or a line ends at the byte before it (EndsLineAt),
  // else the byte behind the next line end, or Size() when no line ends.
  long long LineStartFrom(long long offset) const;

  // The identity of the file with its first `bytes` bytes read.
  LogIdentity Identify(long long bytes) const;
  // What became of the log that `stored` identifies, if this file is it.
  LogSince Since(const LogIdentity& stored) const;
  // The same from the file's name, place and size alone, without reading
  // it: Replaced, Shrank, Grew or Unchanged (an edit in place is not seen).
  // Cheap enough for every look of a follow.
  LogSince Glance(const LogIdentity& stored) const;

 private:
  std::string path_;
  std::string absolutePath_;
  platform::File file_;
  platform::FileIdentity identity_;
  long long size_ = 0;
  int64_t mtimeNs_ = 0;
};

}  // namespace qorn
