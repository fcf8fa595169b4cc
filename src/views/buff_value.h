#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "views/fight.h"

namespace qorn {

// What the "Buff Value" list covers: one fight, or every stored hit.
struct BuffScope {
  bool WholeLog = false;
  int32_t EventNum = 0;  // the fight, when not WholeLog

  static BuffScope Fight(int32_t eventNum) { return {false, eventNum}; }
  static BuffScope AllFights() { return {true, 0}; }
};

inline constexpr std::string_view kAllDotsSource = "All DoTs";

// What each of the three buffs was worth to the DoTs of `scope`. For each buff
// (Chaotic Power, Anguish breastplate, Intensity of the Resolute) a line per
// DoT source, grouped and ordered by name without regard to case as the detail
// report groups them, then an "All DoTs" line; each line compares the source's
// hits with the buff running against those without it. Cells: Buff, Source,
// Hits On, Crits On, Crit% On, Avg On, Hits Off, Crits Off, Crit% Off,
// Avg Off, Added (the columns of kBuffValueColumns). Throws qorn::Error.
std::vector<ListRow> BuffValue(const std::string& databasePath, const BuffScope& scope);

}  // namespace qorn
