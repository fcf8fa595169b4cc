#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace qorn {

// Reads a file front to back in large blocks, each ending at a line end
// (IsLineEnd; the last may end without one). A block never ends between the
// carriage return and the line feed of one line end. A UTF-8 byte-order mark at the start of the
// file is dropped so that the first line keeps its positions.
class BlockReader {
 public:
  explicit BlockReader(const std::string& path, size_t blockSize = 1 << 20);
  // Reads the bytes from `begin` (a line start) up to `end` (a line start, or
  // -1 for the end of the file, however far it has grown).
  BlockReader(const std::string& path, long long begin, long long end, size_t blockSize = 1 << 20);
  ~BlockReader();
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // The next block of whole lines; false at end of file. Throws qorn::Error
  // when the file cannot be read.
  bool Next(std::string_view& block);

  long long FileSize() const { return fileSize_; }

 private:
  void Fill();

  std::string path_;
  int fd_ = -1;
  long long fileSize_ = 0;
  std::unique_ptr<char[]> buffer_;  // left uninitialised: read() fills it
  size_t capacity_ = 0;
  size_t begin_ = 0;  // start of the unconsumed bytes
  size_t end_ = 0;    // end of the bytes read
  bool eof_ = false;
  bool first_ = true;
  long long left_ = -1;  // bytes of the range not read yet; -1 when it runs to the end
};

// The first line start at `offset` or behind it in the file `path`: `offset`
// itself when it is 0 or a line ends at the byte before it (EndsLineAt), else
// the byte behind the next line end, or the file's size when no line ends.
// Throws qorn::Error when the file cannot be read.
long long LineStartFrom(const std::string& path, long long offset);

}  // namespace qorn
