#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_fold.h"
#include "parse/records.h"

namespace qorn {

class Database;

// One spell of the spell table: its normal damage per tick and mana cost.
struct SpellDatRec {
  std::string Spell;
  int32_t Dmg = 0;
  int32_t Mana = 0;
};

// The spell table, in the order the table returns its rows.
std::vector<SpellDatRec> LoadSpellTable(Database& db);

// Whether a row's damage type makes it a DoT tick: "Dot" without regard to
// case, as the DmgType column compares it.
inline bool IsDot(std::string_view dmgType) { return CompareNoCase(dmgType, kDot) == 0; }

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
    return IsCritOf(NormalOf(utf8Source), dmg);
  }
  // The rule for a spell's normal damage as NormalOf gives it.
  static bool IsCritOf(const int64_t* normal, int64_t dmg) {
    return normal != nullptr && dmg >= 2 * *normal;
  }
  // The normal damage of the spell of this name, or null when the table has none.
  const int64_t* NormalOf(std::string_view utf8Source) const {
    const auto it = normal_.find(utf8Source);
    return it == normal_.end() ? nullptr : &it->second;
  }
  bool Empty() const { return normal_.empty(); }

 private:
  StringMap<int64_t> normal_;
};

// Marks the DoT ticks that the spell table calls critical and are not marked
// yet (any other mark stays); the rows are looked at only when the spell
// table differs from the one noted when the rows were stored.
void MarkNewCrits(Database& db, const std::vector<SpellDatRec>& spells);
// Notes that the stored rows carry the crit marks of `spells`.
void NoteCritSpells(Database& db, const std::vector<SpellDatRec>& spells);

}  // namespace qorn
