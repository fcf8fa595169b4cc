#include "store/event_overview.h"

#include <algorithm>

#include "common/number_format.h"
#include "store/database.h"
#include "store/event_builder.h"

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
  Overview overview;
  Database db(databasePath);
  {
    Recordset max(db, "select max(EventNum) from ParseData");
    if (!max.EndOfFile()) overview.EventCount = static_cast<int32_t>(max.Field(0).AsInt());
  }
  progress.SetValue(0);
  progress.SetMaximum(overview.EventCount + 1);

  // Per event: the latest and earliest time, the total, and the mob of its
  // first row in SortMobTime's order (by mob without regard to case, time,
  // RecNum), the same as the per-event queries "Select max(Dtime),
  // min(Dtime)", "Select sum(dmg)" and "Select mob FROM SortMobTime WHERE
  // eventnum = e" give, gathered in one pass over the table.
  struct Event {
    bool seen = false;
    DateTime first = 0, last = 0;
    int64_t total = 0;
    std::string mob;
    DateTime mobTime = 0;
    int64_t mobRecNum = 0;
  };
  std::vector<Event> events(static_cast<size_t>(std::max(overview.EventCount, 0)) + 1);
  Statement rows(db, "SELECT EventNum, DTime, Dmg, Mob, RecNum FROM ParseData");
  while (rows.Step()) {
    const int64_t e = rows.ColumnInt(0);
    if (e < 1 || e > overview.EventCount) continue;
    Event& ev = events[static_cast<size_t>(e)];
    const DateTime when = rows.ColumnDouble(1);
    const std::string_view mob = rows.ColumnText(3);
    const int64_t recNum = rows.ColumnInt(4);
    ev.total += rows.ColumnInt(2);
    if (!ev.seen) {
      ev = {true, when, when, ev.total, std::string(mob), when, recNum};
      continue;
    }
    ev.first = std::min(ev.first, when);
    ev.last = std::max(ev.last, when);
    const int order = CompareNoCase(mob, ev.mob);
    if (order < 0 ||
        (order == 0 && (when < ev.mobTime || (when == ev.mobTime && recNum < ev.mobRecNum)))) {
      ev.mob.assign(mob);
      ev.mobTime = when;
      ev.mobRecNum = recNum;
    }
  }

  ProgressSteps steps(progress, static_cast<size_t>(std::max(overview.EventCount, 0)));
  for (int32_t e = 1; e <= overview.EventCount; ++e) {
    const Event& ev = events[static_cast<size_t>(e)];
    OverviewRow row;
    row.EventNum = e;
    row.Mob = ev.mob;
    row.Total = ev.total;
    row.First = ev.first;
    row.Last = ev.last;
    row.Seconds = SecondsBetween(row.First, row.Last);
    if (row.Seconds == 0) row.Seconds = 1;
    row.Dps = RoundTwoDecimals(static_cast<double>(row.Total) / static_cast<double>(row.Seconds));
    overview.Rows.push_back(std::move(row));
    steps.Done(static_cast<size_t>(e));
  }
  return overview;
}

}  // namespace qorn
