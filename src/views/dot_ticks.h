#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "views/fight.h"

namespace qorn {

// The DoT ticks of a fight: one line per tick number with the sum of every
// hit of that tick (all damage types) and "-1" for each buff that one of its
// hits carried, else "0": Tick, Mob (`mob`, the overview's text, on every
// line), DMG, CPow, CoABP, Inten. Throws qorn::Error.
std::vector<ListRow> FillDotTicks(const std::string& databasePath, int32_t eventNum,
                                  std::string_view mob);

}  // namespace qorn
