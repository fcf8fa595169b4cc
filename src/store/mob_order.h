#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_fold.h"
#include "store/event_rows.h"

namespace qorn {

// Mobs are ordered by their texts without regard to case (CompareNoCase, as
// SortMobTime orders them); which texts are one mob, and its key, is
// MobIdentity's rule (mob_identity.h).

// The distinct mob texts of a set of rows, each with its index.
class MobTexts {
 public:
  uint32_t Index(std::string_view utf8Mob);
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  StringMap<uint32_t> index_;
  std::vector<std::string> texts_;
};

// Each mob's place in SortMobTime's order of the texts; mobs whose texts
// differ only in case share a place.
std::vector<uint32_t> RankMobs(const std::vector<std::string>& mobs);

// Puts rows that carry their event numbers in event order, each event's rows
// in SortMobTime's order, as the overview reads them.
void SortByEvent(std::vector<EventRow>& rows, const std::vector<std::string>& mobs);

}  // namespace qorn
