#include "common/text_pool.h"

#include <algorithm>
#include <cstring>

namespace qorn {

std::string_view TextPool::Intern(std::string_view text) {
  if (text.empty()) return {};
  if (auto it = index_.find(text); it != index_.end()) return *it;
  const std::string_view copy = Copy(text);
  index_.insert(copy);
  return copy;
}

void TextPool::Absorb(TextPool&& other) {
  if (other.blocks_.empty()) return;
  // The other blocks go before the one that is filled now, so that it stays last.
  const auto at = blocks_.empty() ? blocks_.end() : blocks_.end() - 1;
  blocks_.insert(at, std::make_move_iterator(other.blocks_.begin()),
                 std::make_move_iterator(other.blocks_.end()));
  if (blocks_.size() == other.blocks_.size()) {
    blockUsed_ = other.blockUsed_;
    blockSize_ = other.blockSize_;
  }
  index_.insert(other.index_.begin(), other.index_.end());
  other.blocks_.clear();
  other.index_.clear();
  other.blockUsed_ = other.blockSize_ = 0;
}

std::string_view TextPool::Copy(std::string_view text) {
  constexpr size_t kBlock = 64 * 1024;
  if (blocks_.empty() || blockSize_ - blockUsed_ < text.size()) {
    blockSize_ = std::max(kBlock, text.size());
    blocks_.push_back(std::make_unique<char[]>(blockSize_));
    blockUsed_ = 0;
  }
  char* dest = blocks_.back().get() + blockUsed_;
  std::memcpy(dest, text.data(), text.size());
  blockUsed_ += text.size();
  return {dest, text.size()};
}

}  // namespace qorn
