#pragma once

#include <memory>
#include <string_view>
#include <unordered_set>
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
  // long as this pool lives. `other` is left empty.
  void Absorb(TextPool&& other);

 private:
  std::string_view Copy(std::string_view text);

  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t blockUsed_ = 0;
  size_t blockSize_ = 0;
  std::unordered_set<std::string_view> index_;
};

}  // namespace qorn
