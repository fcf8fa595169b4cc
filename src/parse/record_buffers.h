#pragma once

// Where the records of a piece of the log are made: blocks of records that
// grow without moving, and the texts of the last records before the pool.
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

#include "common/text_pool.h"

namespace qorn::parse {

// The texts of the last records before the pool: a fight names the same mob
// and the same few spells line after line, and a comparison is cheaper than a
// lookup in a pool of many texts.
class RecentTexts {
 public:
  explicit RecentTexts(TextPool& pool) : pool_(pool) {}

  std::string_view Intern(std::string_view text) {
    if (text.empty()) return {};
    auto byte = [text](size_t i) {
      return static_cast<size_t>(static_cast<unsigned char>(text[i]));
    };
    const size_t slot =
        (text.size() * 31 + byte(text.size() - 1) * 7 + byte(text.size() / 2) * 3 + byte(0)) %
        kSlots;
    if (slots_[slot] != text) slots_[slot] = pool_.Intern(text);
    return slots_[slot];
  }

 private:
  static constexpr size_t kSlots = 64;
  TextPool& pool_;
  std::string_view slots_[kSlots];
};

// Asks for the memory from `data` on in huge pages (where the system gives
// them on request): records are written to fresh memory front to back, and a
// page fault for each 4 KiB costs more than the writes.
void AdviseHugePages(void* data, size_t bytes);

// Records that grow without moving the ones made: blocks of records, each
// reserved at once and only touched as it fills, so that a parse needs no
// second copy of its records while it runs.
template <typename T>
class Chunks {
 public:
  T& emplace_back() {
    if (chunks_.empty() || chunks_.back().size() == chunks_.back().capacity()) {
      const size_t records =
          chunks_.empty() ? kFirstRecords : std::min(kRecords, chunks_.back().capacity() * 2);
      chunks_.emplace_back().reserve(records);
      AdviseHugePages(chunks_.back().data(), records * sizeof(T));
    }
    ++size_;
    return chunks_.back().emplace_back();
  }
  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }
  T& back() { return chunks_.back().back(); }

  // Appends the records to `out`, each block freed once it is copied.
  void MoveTo(std::vector<T>& out) {
    for (std::vector<T>& chunk : chunks_) {
      out.insert(out.end(), chunk.begin(), chunk.end());
      std::vector<T>().swap(chunk);
    }
    chunks_.clear();
    size_ = 0;
  }

 private:
  // The blocks grow from 64 KiB, twice as large each, to 8 MiB: a page costs
  // memory once a record is written to it. The pieces of a parse each make a
  // few MiB of records; blocks of these sizes come from memory the pieces
  // before freed, where a 64 MiB block took fresh pages, which the system
  // must clear (a tenth of a parse's processor time).
  static constexpr size_t kRecords = (size_t{8} << 20) / sizeof(T);
  static constexpr size_t kFirstRecords = (size_t{64} << 10) / sizeof(T);
  std::vector<std::vector<T>> chunks_;
  size_t size_ = 0;
};

}  // namespace qorn::parse
