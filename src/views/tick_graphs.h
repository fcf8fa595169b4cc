#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "views/chart_grid.h"

namespace qorn {

// The "DoT Tick Graph" of fight `eventNum`: a row per tick, labelled with its
// number, up to the fight's highest tick of any damage type; a column per DoT
// source, named exactly as stored (names differing in case are two sources),
// in the order the fight's DoT rows first show them; each cell the damage of
// that source's hit in that tick, the later hit where two share one. The
// footnote is ten blanks and `fightText` (the overview line's mob).
ChartGrid DrawDotTickGraph(const std::string& databasePath, int32_t eventNum,
                           std::string_view fightText);

// The "All Damage Graph": the DoT tick graph's rows and columns, then "Pets"
// (pet and swarm-pet damage summed per tick) and "DD's" (direct damage summed
// per tick) as the last two columns.
ChartGrid DrawAllDamageGraph(const std::string& databasePath, int32_t eventNum,
                             std::string_view fightText);

// The mob the event overview shows for fight `eventNum` (its first row by
// mob, time and record), the text the graphs' footnotes name when drawn
// without a window; nullopt when no row belongs to that fight.
std::optional<std::string> EventMob(const std::string& databasePath, int32_t eventNum);

inline constexpr std::string_view kPetsColumn = "Pets";
inline constexpr std::string_view kDirectDamageColumn = "DD's";

// The palette slot of a column of either graph: the DoT sources in order,
// then "Pets" and "DD's" when they are the last two columns.
int ColumnColourSlot(const ChartGrid& grid, int column);

}  // namespace qorn
