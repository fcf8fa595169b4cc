#include "views/tick_graphs.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <vector>

#include "common/series_palette.h"
#include "common/text_fold.h"
#include "store/database.h"
#include "views/fight.h"

namespace qorn {
namespace {

constexpr std::string_view kFootnoteIndent = "          ";  // ten blanks

struct DotHit {
  int64_t tick = 0;
  int source = 0;  // from 1
  int64_t dmg = 0;
};

// The fight's DoT hits and their sources in order of first appearance, told
// apart with case significant.
struct DotHits {
  std::vector<std::string> sources;
  std::vector<DotHit> hits;
};


DotHits ReadDotHits(Database& db, int32_t eventNum) {
  // The rows of "SELECT * From ParseData Where EventNum = e  AND DmgType =
  // 'Dot' ", only the fields used. They are taken in time order, as
  // SortMobTime gives them, so that a fight's sources are numbered as the
  // HTML graph numbers their colours; the index returns them so already.
  Statement rows(db,
                 "SELECT DTime, RecNum, TickNum, DmgSrc, Dmg FROM ParseData WHERE EventNum = ? "
                 "AND DmgType = 'Dot'");
  rows.Bind(1, static_cast<int64_t>(eventNum));
  struct Row {
    double when;
    int64_t recNum;
    int64_t tick;
    size_t name;
    int64_t dmg;
  };
  std::vector<Row> read;
  std::vector<std::string> names;
  StringMap<size_t> nameOf;  // looked up without copying the text of every row
  while (rows.Step()) {
    const std::string_view source = rows.ColumnText(3);
    auto it = nameOf.find(source);
    if (it == nameOf.end()) {
      names.emplace_back(source);
      it = nameOf.emplace(names.back(), names.size() - 1).first;
    }
    read.push_back({rows.ColumnDouble(0), rows.ColumnInt(1), rows.ColumnInt(2), it->second,
                    rows.ColumnInt(4)});
  }
  const auto earlier = [](const Row& a, const Row& b) {
    return a.when != b.when ? a.when < b.when : a.recNum < b.recNum;
  };
  if (!std::is_sorted(read.begin(), read.end(), earlier)) {
    std::sort(read.begin(), read.end(), earlier);
  }

  DotHits out;
  out.hits.reserve(read.size());
  std::vector<int> column(names.size(), 0);
  for (const Row& row : read) {
    if (column[row.name] == 0) {
      out.sources.push_back(std::move(names[row.name]));
      column[row.name] = static_cast<int>(out.sources.size());
    }
    out.hits.push_back({row.tick, column[row.name], row.dmg});
  }
  return out;
}

// The sums of the pets' and of the direct damage per tick, of the rows of one
// query each instead of "SELECT sum(dmg) From ParseData Where EventNum = e
// AND ... AND ticknum = t GROUP BY ticknum" once per tick; grouped by the
// engine only in a file edited by hand (SumPerTick).
struct TickSumsSql {
  const char* rows;
  const char* grouped;
};
constexpr TickSumsSql kPetTickSums = {
    "SELECT ticknum, dmg FROM ParseData WHERE EventNum = ? AND (dmgtype = 'Pet' or dmgtype = "
    "'Epic/Swarm')",
    "SELECT ticknum, sum(dmg) FROM ParseData WHERE EventNum = ? AND (dmgtype = 'Pet' or dmgtype "
    "= 'Epic/Swarm') GROUP BY ticknum"};
constexpr TickSumsSql kDirectDamageTickSums = {
    "SELECT ticknum, dmg FROM ParseData WHERE EventNum = ? AND dmgtype = 'DD'",
    "SELECT ticknum, sum(dmg) FROM ParseData WHERE EventNum = ? AND dmgtype = 'DD' GROUP BY "
    "ticknum"};

// Per tick (index tick - 1) the summed damage of `sql` (one of the above).
std::vector<int64_t> TickSums(Database& db, int32_t eventNum, const TickSumsSql& sql,
                              int32_t ticks) {
  std::vector<int64_t> sums(static_cast<size_t>(ticks), 0);
  if (const auto perTick = SumPerTick(db, eventNum, ticks, sql.rows, 1)) {
    for (int32_t tick = 1; tick <= ticks; ++tick) {
      const TickSum& sum = (*perTick)[static_cast<size_t>(tick)];
      if (sum.Rows && sum.Sums[0]) sums[static_cast<size_t>(tick - 1)] = *sum.Sums[0];
    }
    return sums;
  }
  Statement rows(db, sql.grouped);
  rows.Bind(1, static_cast<int64_t>(eventNum));
  while (rows.Step()) {
    const int64_t tick = rows.ColumnInt(0);
    if (tick >= 1 && tick <= ticks && !rows.ColumnIsNull(1)) {
      sums[static_cast<size_t>(tick - 1)] = rows.ColumnInt(1);
    }
  }
  return sums;
}

// A new grid of `ticks` labelled rows and `columns` empty columns.
ChartGrid StartGrid(std::string_view fightText, int32_t ticks, int columns) {
  ChartGrid grid;
  grid.SetFootnoteText(std::string(kFootnoteIndent) + std::string(fightText));
  grid.SetRowCount(ticks);
  grid.SetColumnCount(columns);
  grid.SetShowLegend(true);
  for (int r = 1; r <= ticks; ++r) {
    grid.SetRow(r);
    grid.SetRowLabel(std::to_string(r));
  }
  return grid;
}

// Labels the first columns with the DoT sources and writes each hit, a later
// one over an earlier one in the same cell. A hit outside the fight's ticks
// has no row to go to and is left out.
void WriteDotHits(ChartGrid& grid, const DotHits& dots) {
  for (size_t j = 0; j < dots.sources.size(); ++j) {
    grid.SetColumn(static_cast<int>(j) + 1);
    grid.SetColumnLabel(dots.sources[j]);
  }
  for (const DotHit& hit : dots.hits) {
    if (hit.tick < 1 || hit.tick > grid.RowCount()) continue;
    grid.SetRow(static_cast<int>(hit.tick));
    grid.SetColumn(hit.source);
    grid.SetData(hit.dmg);
  }
}

void WriteColumn(ChartGrid& grid, int column, std::string_view label,
                 const std::vector<int64_t>& perTick) {
  grid.SetColumn(column);
  grid.SetColumnLabel(std::string(label));
  for (int r = 1; r <= grid.RowCount(); ++r) {
    grid.SetRow(r);
    grid.SetData(perTick[static_cast<size_t>(r - 1)]);
  }
}

}  // namespace

ChartGrid DrawDotTickGraph(const std::string& databasePath, int32_t eventNum,
                           std::string_view fightText) {
  Database db = OpenForView(databasePath);
  const int32_t ticks = FightTicks(db, eventNum);
  const DotHits dots = ReadDotHits(db, eventNum);
  ChartGrid grid = StartGrid(fightText, ticks, static_cast<int>(dots.sources.size()));
  WriteDotHits(grid, dots);
  grid.SetChartType(ChartGrid::kBars2d);
  return grid;
}

ChartGrid DrawAllDamageGraph(const std::string& databasePath, int32_t eventNum,
                             std::string_view fightText) {
  Database db = OpenForView(databasePath);
  const int32_t ticks = FightTicks(db, eventNum);
  // Every tick gets both sums, whether a DoT landed in it or not.
  const std::vector<int64_t> pets = TickSums(db, eventNum, kPetTickSums, ticks);
  const std::vector<int64_t> directDamage = TickSums(db, eventNum, kDirectDamageTickSums, ticks);
  const DotHits dots = ReadDotHits(db, eventNum);
  const int n = static_cast<int>(dots.sources.size());
  ChartGrid grid = StartGrid(fightText, ticks, n + 2);
  WriteColumn(grid, n + 1, kPetsColumn, pets);
  WriteColumn(grid, n + 2, kDirectDamageColumn, directDamage);
  WriteDotHits(grid, dots);
  grid.SetChartType(ChartGrid::kBars2d);
  return grid;
}

std::optional<std::string> EventMob(const std::string& databasePath, int32_t eventNum) {
  Database db = OpenForView(databasePath);
  // The overview's mob: the fight's first row in SortMobTime's order.
  Statement mob(db, "SELECT Mob FROM SortMobTime WHERE EventNum = ?");
  mob.Bind(1, static_cast<int64_t>(eventNum));
  if (!mob.Step()) return std::nullopt;
  return std::string(mob.ColumnText(0));
}

int ColumnColourSlot(const ChartGrid& grid, int column) {
  const int count = grid.ColumnCount();
  if (count >= 2 && grid.ColumnLabel(count - 1) == kPetsColumn &&
      grid.ColumnLabel(count) == kDirectDamageColumn) {
    if (column == count - 1) return kPetSlot;
    if (column == count) return kDirectDamageSlot;
  }
  return DotSourceSlot(static_cast<size_t>(column - 1));
}

}  // namespace qorn
