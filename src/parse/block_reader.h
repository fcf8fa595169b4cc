#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace qorn {

// Reads a file front to back in large blocks, each ending on a line boundary
// (the last may end without one). A UTF-8 byte-order mark at the start of the
// file is dropped so that the first line keeps its positions.
class BlockReader {
 public:
  explicit BlockReader(const std::string& path, size_t blockSize = 8 << 20);
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
};

}  // namespace qorn
