#include "common/text_pool.h"

#include <algorithm>
#include <cstring>

namespace qorn {

uint32_t TextPool::Hash(std::string_view text) {
  // Eight bytes at a time, each word mixed in by a multiplication; the top
  // bits of the last product are the best mixed.
  constexpr uint64_t kMul = 0x9E3779B97F4A7C15ULL;
  uint64_t h = text.size() * kMul;
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, text.data() + i, 8);
    h = (h ^ word) * kMul;
    h ^= h >> 29;
  }
  if (i < text.size()) {
    uint64_t word = 0;
    std::memcpy(&word, text.data() + i, text.size() - i);
    h = (h ^ word) * kMul;
    h ^= h >> 29;
  }
  return static_cast<uint32_t>((h * kMul) >> 32);
}

TextPool::Slot& TextPool::Find(std::string_view text, uint32_t hash) {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.data == nullptr || (slot.hash == hash && slot.size == text.size() &&
                                 std::memcmp(slot.data, text.data(), text.size()) == 0)) {
      return slot;
    }
  }
}

void TextPool::Insert(const Slot& slot) {
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  const size_t mask = slots_.size() - 1;
  size_t i = slot.hash & mask;
  while (slots_[i].data != nullptr) i = (i + 1) & mask;
  slots_[i] = slot;
  ++count_;
}

void TextPool::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
  count_ = 0;
  for (const Slot& slot : old) {
    if (slot.data != nullptr) Insert(slot);
  }
}

std::string_view TextPool::Intern(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > UINT32_MAX) return Copy(text);  // no name is this long: kept, not indexed
  const uint32_t hash = Hash(text);
  if (!slots_.empty()) {
    if (const Slot& slot = Find(text, hash); slot.data != nullptr) return {slot.data, slot.size};
  }
  const std::string_view copy = Copy(text);
  Insert({copy.data(), static_cast<uint32_t>(copy.size()), hash});
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
  other.blocks_.clear();
  other.slots_.clear();
  other.count_ = 0;
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
