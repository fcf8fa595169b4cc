#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "views/fight.h"

namespace qorn {

// The DoT breakdown of a fight: one line per DoT hit, in the order the
// database returns them, with the stored values as plain text: Tick, Mob,
// DMG Type (the spell), DMG, Crit, CPow, CoABP, Inten. Throws qorn::Error.
std::vector<ListRow> FillDotBreakdown(const std::string& databasePath, int32_t eventNum);

}  // namespace qorn
