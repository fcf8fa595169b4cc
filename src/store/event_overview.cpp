#include "store/event_overview.h"

#include <functional>

#include <algorithm>

#include "common/number_format.h"
#include "store/database.h"
#include "store/database_file.h"
#include "store/mob_order.h"
#include "store/parse_state.h"

namespace qorn {

std::vector<std::string> OverviewRow::Cells() const {
  return {Mob,
          std::to_string(Total),
          FormatShortDecimal(Dps),
          std::to_string(Seconds),
          FormatGeneralDate(First),
          FormatGeneralDate(Last)};
}

OverviewRow MakeOverviewRow(int32_t eventNum, std::string mob, int64_t total, DateTime first,
                            DateTime last) {
  OverviewRow row;
  row.EventNum = eventNum;
  row.Mob = std::move(mob);
  row.Total = total;
  row.First = first;
  row.Last = last;
  row.Seconds = SecondsBetween(row.First, row.Last);
  if (row.Seconds == 0) row.Seconds = 1;
  row.Dps = RoundTwoDecimals(static_cast<double>(row.Total) / static_cast<double>(row.Seconds));
  return row;
}

int32_t ForEachStoredFight(Database& db, const std::function<void(const OverviewRow&)>& each) {
  int32_t last = 0;
  Statement fights(
      db,
      "SELECT EventNum, Mob, Total, FirstTime, LastTime FROM Fights WHERE EventNum > 0 "
      "ORDER BY EventNum");
  while (fights.Step()) {
    const OverviewRow row = MakeOverviewRow(static_cast<int32_t>(fights.ColumnInt(0)),
                                            std::string(fights.ColumnText(1)), fights.ColumnInt(2),
                                            fights.ColumnDouble(3), fights.ColumnDouble(4));
    last = row.EventNum;
    each(row);
  }
  return last;
}

void ForEachStoredFight(const std::string& databasePath,
                        const std::function<void(const OverviewRow&)>& each) {
  Database db(databasePath, OpenMode::kReadOnly);
  ForEachStoredFight(db, each);
}

Overview StoredOverview(Database& db) {
  Overview overview;
  overview.EventCount =
      ForEachStoredFight(db, [&overview](const OverviewRow& row) { overview.Rows.push_back(row); });
  return overview;
}

Overview FillEventList(const std::string& databasePath, Progress& progress) {
  Database db(databasePath, OpenMode::kReadOnly);
  {
    // A file that keeps its fights' lines in Fights: they are the overview,
    // unless a row was changed by hand since they were cut.
    Statement state(db, "SELECT count(*) FROM sqlite_master WHERE name = 'ParseState'");
    if (state.Step() && state.ColumnInt(0) > 0 && SecondsNotedCurrent(db)) {
      Overview overview = StoredOverview(db);
      progress.SetValue(0);
      return overview;
    }
  }
  int32_t eventCount = 0;
  {
    Recordset max(db, "select max(EventNum), count(*) from ParseData");
    if (!max.EndOfFile()) {
      // Each fight holds a row at least: more fights than rows is a hand-edited number.
      if (max.Field(0).AsDouble() > max.Field(1).AsDouble()) {
        FailImpossibleNumber(databasePath, "it numbers more fights than it holds rows");
      }
      eventCount = static_cast<int32_t>(max.Field(0).AsInt());
    }
  }
  // The per-event queries "Select max(Dtime), min(Dtime)", "Select sum(dmg)"
  // and "Select mob FROM SortMobTime WHERE eventnum = e", gathered in one pass.
  MobTexts mobs;
  std::vector<EventRow> rows;
  Statement all(db, "SELECT EventNum, DTime, Dmg, Mob, RecNum FROM ParseData");
  while (all.Step()) {
    const int64_t e = all.ColumnInt(0);
    if (e < 1 || e > eventCount) continue;
    EventRow row;
    row.EventNum = static_cast<int32_t>(e);
    row.When = all.ColumnDouble(1);
    row.Dmg = all.ColumnInt(2);
    row.Mob = mobs.Index(all.ColumnText(3));
    row.RecNum = all.ColumnInt(4);
    rows.push_back(row);
  }
  SortByEvent(rows, mobs.Texts());
  return OverviewOfEvents(rows, mobs.Texts(), eventCount, progress);
}

Overview OverviewOfEvents(const std::vector<EventRow>& rows, const std::vector<std::string>& mobs,
                          int32_t eventCount, Progress& progress) {
  Overview overview;
  overview.EventCount = std::max(eventCount, 0);
  progress.SetValue(0);
  progress.SetMaximum(overview.EventCount + 1);
  ProgressSteps steps(progress, static_cast<size_t>(overview.EventCount));
  overview.Rows.reserve(static_cast<size_t>(overview.EventCount));
  size_t i = 0;
  for (int32_t e = 1; e <= overview.EventCount; ++e) {
    while (i < rows.size() && rows[i].EventNum < e) ++i;
    OverviewRow row;
    row.EventNum = e;
    if (i < rows.size() && rows[i].EventNum == e) {
      row.Mob = mobs[rows[i].Mob];
      row.First = row.Last = rows[i].When;
    }
    for (; i < rows.size() && rows[i].EventNum == e; ++i) {
      if (!PossibleDamage(rows[i].Dmg)) {
        FailImpossibleNumber({}, "a damage of " + row.Mob + " is larger than any log gives");
      }
      row.Total += rows[i].Dmg;
      row.First = std::min(row.First, rows[i].When);
      row.Last = std::max(row.Last, rows[i].When);
    }
    overview.Rows.push_back(MakeOverviewRow(e, std::move(row.Mob), row.Total, row.First, row.Last));
    steps.Done(static_cast<size_t>(e));
  }
  return overview;
}

}  // namespace qorn
