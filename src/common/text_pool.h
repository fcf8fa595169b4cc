#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace qorn {

// Keeps one copy of each distinct text and hands out views of it that stay
// valid as long as the pool lives (also when the pool is moved). A log names
// the same few mobs, spells and pets millions of times.
class TextPool {
 public:
  TextPool() = default;
  TextPool(TextPool&&) noexcept = default;
  TextPool& operator=(TextPool&&) noexcept = default;
  TextPool(const TextPool&) = delete;
  TextPool& operator=(const TextPool&) = delete;

  std::string_view Intern(std::string_view text);

  // Takes over the texts of `other`: the views it handed out stay valid as
  // long as this pool lives. `other` is left empty. Intern does not look
  // among the texts taken over (it makes a copy of its own where it meets
  // one again): a parse joins the pools of its pieces once, at its end, and
  // merging their indexes would cost a lookup for each text.
  void Absorb(TextPool&& other);

 private:
  // One text of the index; an empty slot has no data. The index is open
  // addressing in one array, a power of two in size and at most half full: a
  // lookup reads one slot or a few neighbours, and the text only where the
  // hash agrees.
  struct Slot {
    const char* data = nullptr;
    uint32_t size = 0;
    uint32_t hash = 0;
  };
  static uint32_t Hash(std::string_view text);
  // The slot of `text` (hash `hash`), or the empty one where it belongs.
  Slot& Find(std::string_view text, uint32_t hash);
  void Insert(const Slot& slot);  // of a text not in the index yet
  void Grow();
  std::string_view Copy(std::string_view text);

  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t blockUsed_ = 0;
  size_t blockSize_ = 0;
  std::vector<Slot> slots_;
  size_t count_ = 0;  // texts in the index
};

}  // namespace qorn
