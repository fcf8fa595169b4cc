#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/date_time.h"
#include "common/progress.h"
#include "common/text_fold.h"

namespace qorn {

inline constexpr int kTickSeconds = 6;

// One damage row as event building and the overview see it.
struct EventRow {
  DateTime When = 0;
  int64_t RecNum = 0;
  int64_t Dmg = 0;
  uint32_t Mob = 0;  // index into the mob texts (UTF-8, as stored)
  int32_t EventNum = 0;
  int32_t TickNum = 0;
  bool Dot = false;  // DmgType is exactly "Dot"
};

// The distinct mob texts of a set of rows, each with its index.
class MobTexts {
 public:
  uint32_t Index(std::string_view utf8Mob);
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> index_;
  std::vector<std::string> texts_;
};

// Places for rows given in RecNum order such that each mob's rows stand
// together, the mobs in SortMobTime's order (their texts without regard to
// case; texts that differ only in case are one mob), each mob's rows in the
// order given.
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

// For rows in SortMobTime's order (by mob without regard to case, then time,
// then RecNum; each mob's rows together, the mobs in `rank`'s order): cuts
// them into events by mob and quiet gap, and numbers the six-second ticks of
// each event. Returns the number of events. `progress` follows the rows
// while the events are cut.
int32_t NumberSortedEvents(std::vector<EventRow>& rows, const std::vector<std::string>& mobs,
                           const std::vector<uint32_t>& rank, int16_t eventTimerSeconds,
                           Progress& progress);

// Each mob's place in SortMobTime's order of the texts (without regard to
// case); mobs whose texts differ only in case share a place.
std::vector<uint32_t> RankMobs(const std::vector<std::string>& mobs);

// Puts rows that carry their event numbers in event order, each event's rows
// in SortMobTime's order, as the overview reads them.
void SortByEvent(std::vector<EventRow>& rows, const std::vector<std::string>& mobs);

// Whether a DoT tick is critical: at least twice the normal damage of the
// spell of the same name (compared exactly) in the spell table; the smallest
// normal damage counts when a name is there twice.
class CritRule {
 public:
  template <typename SpellList>
  explicit CritRule(const SpellList& spells) {
    for (const auto& s : spells) {
      auto [it, added] = normal_.emplace(s.Spell, s.Dmg);
      if (!added && s.Dmg < it->second) it->second = s.Dmg;
    }
  }
  bool IsCrit(std::string_view utf8Source, int64_t dmg) const {
    const int64_t* normal = NormalOf(utf8Source);
    return normal != nullptr && dmg >= 2 * *normal;
  }
  // The normal damage of the spell of this name, or null when the table has none.
  const int64_t* NormalOf(std::string_view utf8Source) const {
    const auto it = normal_.find(utf8Source);
    return it == normal_.end() ? nullptr : &it->second;
  }
  bool Empty() const { return normal_.empty(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, int64_t, Hash, std::equal_to<>> normal_;
};

}  // namespace qorn
