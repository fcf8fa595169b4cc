#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qorn {

// The first two bytes of a set of texts, one bit for each of the 65,536
// pairs: whether a text may start as one of them is told from its own first
// two bytes before any longer look. Most texts behind a "] " start none of
// the texts a parse looks for there, and are passed over at once.
class TwoByteStarts {
 public:
  // Notes a text of two bytes or more.
  void Add(std::string_view text) {
    const size_t two = FirstTwo(text);
    bits_[two / 64] |= uint64_t{1} << (two % 64);
  }
  // Whether `text` (two bytes or more) starts with the first two bytes of a
  // text added.
  bool MayStart(std::string_view text) const {
    const size_t two = FirstTwo(text);
    return (bits_[two / 64] >> (two % 64) & 1) != 0;
  }

 private:
  static size_t FirstTwo(std::string_view text) {
    return static_cast<size_t>(static_cast<unsigned char>(text[0])) << 8 |
           static_cast<unsigned char>(text[1]);
  }

  std::vector<uint64_t> bits_ = std::vector<uint64_t>(65536 / 64, 0);
};

}  // namespace qorn
