#include "views/tick_graphs.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "common/series_palette.h"
#include "store/database.h"

namespace qorn {
namespace {

constexpr std::string_view kFootnoteIndent = "          ";  // ten blanks

int32_t TickMaximum(Database& db, int32_t eventNum) {
  Recordset max(
      db, "SELECT max(TickNum) From ParseData Where EventNum = " + std::to_string(eventNum) + " ");
  return max.EndOfFile() ? 0 : static_cast<int32_t>(max.Field(0).AsInt());
}

struct DotRow {
  double when = 0;
  int64_t recNum = 0;
  int64_t tick = 0;
  std::string source;
  int64_t dmg = 0;
};

struct DotHit {
  int64_t tick = 0;
  int source = 0;  // from 1
  int64_t dmg = 0;
};

// The fight's DoT hits and their sources in order of first appearance, told
// apart with case significant. The rows are taken in time order, as
// SortMobTime gives them, so that a fight's sources are numbered the same way
// in both charts and the HTML graph whatever order the query plan returns.
struct DotHits {
  std::vector<std::string> sources;
  std::vector<DotHit> hits;
};

DotHits ReadDotHits(Database& db, int32_t eventNum) {
  Recordset rs(db, "SELECT * From ParseData Where EventNum = " + std::to_string(eventNum) +
                       "  AND DmgType = 'Dot' ");
  std::vector<DotRow> rows;
  rows.reserve(static_cast<size_t>(rs.RecordCount()));
  for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
    rows.push_back({rs.Field("DTime").AsDouble(), rs.Field("RecNum").AsInt(),
                    rs.Field("TickNum").AsInt(), rs.Field("DmgSrc").AsText(),
                    rs.Field("Dmg").AsInt()});
  }
  std::sort(rows.begin(), rows.end(), [](const DotRow& a, const DotRow& b) {
    return a.when != b.when ? a.when < b.when : a.recNum < b.recNum;
  });
  DotHits out;
  out.hits.reserve(rows.size());
  std::unordered_map<std::string, int> sourceOf;
  for (DotRow& row : rows) {
    const auto [it, added] =
        sourceOf.try_emplace(row.source, static_cast<int>(out.sources.size()) + 1);
    if (added) out.sources.push_back(std::move(row.source));
    out.hits.push_back({row.tick, it->second, row.dmg});
  }
  return out;
}

// Per tick (index tick - 1) the summed damage that `filter` selects.
std::vector<int64_t> TickSums(Database& db, int32_t eventNum, std::string_view filter,
                              int32_t ticks) {
  std::vector<int64_t> sums(static_cast<size_t>(ticks), 0);
  Recordset rows(db, "SELECT ticknum, sum(dmg) From ParseData Where EventNum = " +
                         std::to_string(eventNum) + std::string(filter) + " GROUP BY ticknum");
  for (rows.MoveFirst(); !rows.EndOfFile(); rows.MoveNext()) {
    const int64_t tick = rows.Field(0).AsInt();
    if (tick >= 1 && tick <= ticks && !rows.Field(1).IsNull()) {
      sums[static_cast<size_t>(tick - 1)] = rows.Field(1).AsInt();
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
  Database db(databasePath);
  const int32_t ticks = TickMaximum(db, eventNum);
  const DotHits dots = ReadDotHits(db, eventNum);
  ChartGrid grid = StartGrid(fightText, ticks, static_cast<int>(dots.sources.size()));
  WriteDotHits(grid, dots);
  grid.SetChartType(ChartGrid::kBars2d);
  return grid;
}

ChartGrid DrawAllDamageGraph(const std::string& databasePath, int32_t eventNum,
                             std::string_view fightText) {
  Database db(databasePath);
  const int32_t ticks = TickMaximum(db, eventNum);
  // The sums of every tick, grouped in one query each instead of one query
  // per tick; every tick gets both, whether a DoT landed in it or not.
  const std::vector<int64_t> pets =
      TickSums(db, eventNum, " AND (dmgtype = 'Pet' or dmgtype = 'Epic/Swarm')", ticks);
  const std::vector<int64_t> directDamage = TickSums(db, eventNum, " AND dmgtype = 'DD'", ticks);
  const DotHits dots = ReadDotHits(db, eventNum);
  const int n = static_cast<int>(dots.sources.size());
  ChartGrid grid = StartGrid(fightText, ticks, n + 2);
  WriteColumn(grid, n + 1, kPetsColumn, pets);
  WriteColumn(grid, n + 2, kDirectDamageColumn, directDamage);
  WriteDotHits(grid, dots);
  grid.SetChartType(ChartGrid::kBars2d);
  return grid;
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
