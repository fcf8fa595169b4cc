#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/crit_marks.h"
#include "views/fight.h"

namespace qorn {

// The all-damage detail report of a fight: the DoT section (a line per DoT
// source and per spell cast in the fight's window, then " TOTALS:"), direct
// damage, pets (with a line per pet and per swarm pet when `petDetail`), and
// "Total Damage". DoT lines hold all thirteen cells, direct damage and pet
// lines seven, the grand total three, headings one. `spellDatRecs` is the
// spell table for damage per mana. Throws qorn::Error.
std::vector<ListRow> ShowAllDamageDetail(const std::string& databasePath, int32_t eventNum,
                                         const std::vector<SpellDatRec>& spellDatRecs,
                                         bool petDetail);

}  // namespace qorn
