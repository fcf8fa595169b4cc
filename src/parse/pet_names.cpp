#include "parse/pet_names.h"

namespace qorn {

size_t PetNames::Probe(uint64_t hash, std::string_view name) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.position == 0 || (slot.hash == hash && names_[slot.position - 1] == name)) return i;
  }
}

void PetNames::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.position == 0) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].position != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

size_t PetNames::Add(std::string_view name) {
  if ((names_.size() + 1) * 2 > slots_.size()) Grow();  // at most half full
  uint64_t hash = kFnvBasis;
  for (char c : name) hash = FnvStep(hash, c);
  Slot& slot = slots_[Probe(hash, name)];
  if (slot.position != 0) return slot.position - 1;
  names_.push_back(name);
  slot = {hash, static_cast<uint32_t>(names_.size())};
  if (name.size() >= minLength_ && name.size() >= 2) {
    if (hasLength_.size() <= name.size()) hasLength_.resize(name.size() + 1, 0);
    hasLength_[name.size()] = 1;
    maxLength_ = std::max(maxLength_, name.size());
    firstTwo_.Add(name);
  }
  return names_.size() - 1;
}

}  // namespace qorn
