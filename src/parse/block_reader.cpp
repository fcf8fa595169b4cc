#include "parse/block_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "parse/line_end.h"

namespace qorn {
namespace {

std::string Reason() { return std::strerror(errno); }

}  // namespace

BlockReader::BlockReader(const std::string& path, size_t blockSize)
    : path_(path), buffer_(new char[blockSize]), capacity_(blockSize) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw Error("Cannot open the log file " + path + ": " + Reason());
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    const std::string why = S_ISDIR(st.st_mode) ? "it is a folder" : Reason();
    ::close(fd_);
    fd_ = -1;
    throw Error("Cannot read the log file " + path + ": " + why);
  }
  fileSize_ = st.st_size;
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

BlockReader::BlockReader(const std::string& path, long long begin, long long end, size_t blockSize)
    : BlockReader(path, blockSize) {
  if (begin > 0) {
    first_ = false;  // a byte-order mark stands only at the start of the file
    if (::lseek(fd_, begin, SEEK_SET) < 0) {
      const std::string why = Reason();
      ::close(fd_);
      fd_ = -1;
      throw Error("Cannot read the log file " + path + ": " + why);
    }
  }
  if (end >= 0) left_ = std::max(0LL, end - begin);
}

BlockReader::~BlockReader() {
  if (fd_ >= 0) ::close(fd_);
}

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
  while (end_ < capacity_) {
    size_t want = capacity_ - end_;
    if (left_ >= 0) want = std::min(want, static_cast<size_t>(left_));
    if (want == 0) {
      eof_ = true;
      break;
    }
    const ssize_t n = ::read(fd_, buffer_.get() + end_, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error("Cannot read the log file " + path_ + ": " + Reason());
    }
    if (n == 0) {
      eof_ = true;
      break;
    }
    end_ += static_cast<size_t>(n);
    if (left_ >= 0) left_ -= n;
  }
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

long long LineStartFrom(const std::string& path, long long offset) {
  if (offset <= 0) return 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error("Cannot open the log file " + path + ": " + Reason());
  // The bytes from the one before `offset` on, one more than is looked at in
  // each read: whether a carriage return ends a line depends on the byte
  // behind it.
  char buffer[64 * 1024 + 1];
  long long at = offset - 1;
  size_t held = 0;  // bytes of the buffer read, from `at`
  for (;;) {
    ssize_t n = 0;
    do {
      n = ::pread(fd, buffer + held, sizeof buffer - held, at + static_cast<long long>(held));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
      const std::string why = Reason();
      ::close(fd);
      throw Error("Cannot read the log file " + path + ": " + why);
    }
    held += static_cast<size_t>(n);
    const bool last = n == 0 || held < sizeof buffer;  // nothing behind what is held
    const size_t look = last ? held : held - 1;
    for (size_t i = 0; i < look; ++i) {
      if (EndsLineAt(buffer + i, buffer + held)) {
        ::close(fd);
        return at + static_cast<long long>(i) + 1;
      }
    }
    if (last) break;
    at += static_cast<long long>(look);
    buffer[0] = buffer[look];
    held = 1;
  }
  ::close(fd);
  return at + static_cast<long long>(held);
}

}  // namespace qorn
