#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_fold.h"
#include "store/event_rows.h"

namespace qorn {

// Mobs are told apart and ordered by their texts without regard to case
// (CompareNoCase, as SortMobTime orders them): texts that differ only in case
// are one mob.

// The distinct mob texts of a set of rows, each with its index.
class MobTexts {
 public:
  uint32_t Index(std::string_view utf8Mob);
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  StringMap<uint32_t> index_;
  std::vector<std::string> texts_;
};

// Places for rows given in RecNum order such that each mob's rows stand
// together, the mobs in SortMobTime's order, each mob's rows in the order
// given.
class MobGroups {
 public:
  // `rowsOfMob[m]`: the number of rows on mob m (an index into `mobs`).
  MobGroups(const std::vector<std::string>& mobs, const std::vector<size_t>& rowsOfMob);
  // The place of the next row given on mob m.
  size_t Place(uint32_t mob) { return next_[rank_[mob]]++; }

 private:
  std::vector<uint32_t> rank_;  // by mob
  std::vector<size_t> next_;    // by rank
};

// Each mob's place in SortMobTime's order of the texts; mobs whose texts
// differ only in case share a place.
std::vector<uint32_t> RankMobs(const std::vector<std::string>& mobs);

// Puts rows that carry their event numbers in event order, each event's rows
// in SortMobTime's order, as the overview reads them.
void SortByEvent(std::vector<EventRow>& rows, const std::vector<std::string>& mobs);

}  // namespace qorn
