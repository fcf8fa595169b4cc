#pragma once

#include <memory>
#include <string_view>

namespace qorn {

class LogFile;

// Reads a range of the log front to back in large blocks, each ending at a
// line end (IsLineEnd; the last may end without one). A block never ends
// between the carriage return and the line feed of one line end. A UTF-8
// byte-order mark at the start of the file is dropped so that the first line
// keeps its positions.
class BlockReader {
 public:
  // The bytes of `file` from `begin` (a line start) up to `end` (a line start).
  BlockReader(const LogFile& file, long long begin, long long end, size_t blockSize = 1 << 20);
  // The whole file, as it was opened.
  explicit BlockReader(const LogFile& file, size_t blockSize = 1 << 20);
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // The next block of whole lines; false at the end of the range. Throws
  // qorn::Error when the file cannot be read.
  bool Next(std::string_view& block);

 private:
  void Fill();

  const LogFile& file_;
  long long at_;                    // where the next read starts
  long long left_;                  // bytes of the range not read yet
  std::unique_ptr<char[]> buffer_;  // left uninitialised: reads fill it
  size_t capacity_ = 0;
  size_t begin_ = 0;  // start of the unconsumed bytes
  size_t end_ = 0;    // end of the bytes read
  bool eof_ = false;
  bool first_;
};

}  // namespace qorn
