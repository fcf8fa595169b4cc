#include "parse/block_reader.h"

#include <algorithm>
#include <cstring>

#include "parse/line_end.h"
#include "parse/log_file.h"

namespace qorn {

BlockReader::BlockReader(const LogFile& file, long long begin, long long end, size_t blockSize)
    : file_(file),
      at_(begin),
      left_(std::max(0LL, end - begin)),
      buffer_(new char[blockSize]),
      capacity_(blockSize),
      first_(begin == 0) {}  // a byte-order mark stands only at the start of the file

BlockReader::BlockReader(const LogFile& file, size_t blockSize)
    : BlockReader(file, 0, file.Size(), blockSize) {}

void BlockReader::Fill() {
  // Move the unconsumed tail to the front, grow when one line fills the buffer.
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == capacity_) {
    std::unique_ptr<char[]> bigger(new char[capacity_ * 2]);
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ *= 2;
  }
  const size_t want = std::min(capacity_ - end_, static_cast<size_t>(left_));
  const size_t got = file_.ReadAt(at_, buffer_.get() + end_, want);
  end_ += got;
  at_ += static_cast<long long>(got);
  left_ -= static_cast<long long>(got);
  // The range read, or the file ended before it (it was cut short meanwhile).
  if (left_ == 0 || got < want) eof_ = true;
  if (first_) {
    first_ = false;
    if (end_ >= 3 && std::memcmp(buffer_.get(), "\xEF\xBB\xBF", 3) == 0) begin_ = 3;
  }
}

bool BlockReader::Next(std::string_view& block) {
  for (;;) {
    if (!eof_) Fill();
    const char* data = buffer_.get() + begin_;
    const size_t size = end_ - begin_;
    if (size == 0) return false;
    if (eof_) {
      block = {data, size};
      begin_ = end_;
      return true;
    }
    // Up to the end of the last whole line; the rest waits for more bytes.
    const char* whole = WholeLinesEnd(data, data + size, true);
    if (whole > data) {
      const size_t len = static_cast<size_t>(whole - data);
      block = {data, len};
      begin_ += len;
      return true;
    }
    // No line end in a full buffer: Fill() grows it and reads on.
  }
}

}  // namespace qorn
