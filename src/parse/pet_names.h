#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/fnv_hash.h"
#include "parse/two_byte_starts.h"

namespace qorn {

// Whether a name that a message starts with ends where `rest` begins: a name
// counts only as a whole word, followed by a blank or by a possessive the
// game writes behind it ("`s pet", "`s warder"). Another player named
// "Gobanerx" is not the pet Gobaner, nor "Qornekx" the character Qornek.
inline bool EndsName(std::string_view rest) {
  return rest.empty() || rest[0] == ' ' ||
         (rest[0] == '`' && (rest.starts_with("`s pet") || rest.starts_with("`s warder")));
}

// Whether `message` starts with the name `name` as a whole word (EndsName).
inline bool StartsWithName(std::string_view message, std::string_view name) {
  return message.starts_with(name) && EndsName(message.substr(name.size()));
}

// The pet names of one parse, in order of first appearance, looked up by the
// text behind a "] ": a name matches when the text starts with it as a whole
// word (EndsName). A lookup costs the length of the longest name at most,
// however many names there are. Names hold no blank (they are the first word
// of a message); the views must outlive the index.
class PetNames {
 public:
  // Names shorter than `minLength` are kept but never found by ForEachNameStarting.
  explicit PetNames(size_t minLength) : minLength_(minLength) {}

  // Adds `name` unless it is there already; returns its position in the list.
  size_t Add(std::string_view name);

  size_t size() const { return names_.size(); }
  std::string_view operator[](size_t i) const { return names_[i]; }

  // Calls `found(position)` for every name of `minLength` bytes or more that
  // `text` starts with as a whole word, shortest first.
  template <typename Found>
  void ForEachNameStarting(std::string_view text, Found&& found) const;

 private:
  // The slot of `name` (hash `hash`), or of the empty slot where it belongs.
  size_t Probe(uint64_t hash, std::string_view name) const;
  void Grow();

  struct Slot {
    uint64_t hash = 0;
    uint32_t position = 0;  // 1-based; 0 marks an empty slot
  };
  size_t minLength_;
  std::vector<std::string_view> names_;
  std::vector<Slot> slots_;         // open addressing, a power of two in size
  std::vector<uint8_t> hasLength_;  // whether a name of that many bytes is looked up
  size_t maxLength_ = 0;
  // Whether a looked-up name starts with these two bytes: most texts behind a
  // "] " start no name, and this tells so before any hashing.
  TwoByteStarts firstTwo_;
};

template <typename Found>
void PetNames::ForEachNameStarting(std::string_view text, Found&& found) const {
  const size_t limit = std::min(text.size(), maxLength_);
  if (limit < minLength_ || limit < 2) return;
  if (!firstTwo_.MayStart(text)) return;
  uint64_t hash = kFnvBasis;
  for (size_t n = 1; n <= limit; ++n) {
    const char c = text[n - 1];
    if (c == ' ') return;
    hash = FnvStep(hash, c);
    if (hasLength_[n] == 0 || !EndsName(text.substr(n))) continue;
    const Slot& slot = slots_[Probe(hash, text.substr(0, n))];
    if (slot.position != 0) found(static_cast<size_t>(slot.position - 1));
  }
}

}  // namespace qorn
