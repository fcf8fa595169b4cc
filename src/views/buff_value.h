#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qorn {

// What the "Buff Value" list covers: one fight, or every stored hit.
struct BuffScope {
  bool WholeLog = false;
  int32_t EventNum = 0;  // the fight, when not WholeLog

  static BuffScope Fight(int32_t eventNum) { return {false, eventNum}; }
  static BuffScope AllFights() { return {true, 0}; }
};

// The list's column headers, in order.
inline constexpr std::array<std::string_view, 11> kBuffValueCaptions = {
    "Buff",     "Source",    "Hits On",   "Crits On", "Crit% On", "Avg On",
    "Hits Off", "Crits Off", "Crit% Off", "Avg Off",  "Added"};

inline constexpr std::string_view kAllDotsSource = "All DoTs";

// What each of the three buffs was worth to the DoTs of `scope`. For each buff
// (Chaotic Power, Anguish breastplate, Intensity of the Resolute) a line per
// DoT source, grouped and ordered by name without regard to case as the detail
// report groups them, then an "All DoTs" line; each line compares the source's
// hits with the buff running against those without it. Cells: Buff, Source,
// Hits On, Crits On, Crit% On, Avg On, Hits Off, Crits Off, Crit% Off,
// Avg Off, Added. Throws qorn::Error.
std::vector<std::vector<std::string>> BuffValue(const std::string& databasePath,
                                                const BuffScope& scope);

}  // namespace qorn
