#include "store/event_overview.h"

#include <algorithm>

#include "common/number_format.h"
#include "store/database.h"
#include "store/database_file.h"

namespace qorn {

std::vector<std::string> OverviewRow::Cells() const {
  return {Mob,
          std::to_string(Total),
          FormatShortDecimal(Dps),
          std::to_string(Seconds),
          FormatGeneralDate(First),
          FormatGeneralDate(Last)};
}

Overview FillEventList(const std::string& databasePath, Progress& progress) {
  Database db(databasePath, OpenMode::kReadOnly);
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
    row.Seconds = SecondsBetween(row.First, row.Last);
    if (row.Seconds == 0) row.Seconds = 1;
    row.Dps = RoundTwoDecimals(static_cast<double>(row.Total) / static_cast<double>(row.Seconds));
    overview.Rows.push_back(std::move(row));
    steps.Done(static_cast<size_t>(e));
  }
  return overview;
}

}  // namespace qorn
