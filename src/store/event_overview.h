#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "common/progress.h"
#include "store/event_rows.h"

namespace qorn {

// One line of the event overview: one fight.
struct OverviewRow {
  int32_t EventNum = 0;
  std::string Mob;
  int64_t Total = 0;
  double Dps = 0;       // rounded to two decimals
  int64_t Seconds = 1;  // at least 1
  DateTime First = 0;
  DateTime Last = 0;

  // The texts the list shows: Mob, Total, DPS, Seconds, First, Last.
  std::vector<std::string> Cells() const;
};

struct Overview {
  int32_t EventCount = 0;
  std::vector<OverviewRow> Rows;  // in event-number order
};

// An overview line from a fight's number, mob, total and times: its length
// (at least a second) and damage per second follow.
OverviewRow MakeOverviewRow(int32_t eventNum, std::string mob, int64_t total, DateTime first,
                            DateTime last);

class Database;
// The overview as the stored fights' lines give it (the Fights table).
Overview StoredOverview(Database& db);
// The same a line at a time, in event-number order, holding none; returns
// the last line's number (0 when there is none). The second opens the file
// at `databasePath` read-only.
int32_t ForEachStoredFight(Database& db, const std::function<void(const OverviewRow&)>& each);
void ForEachStoredFight(const std::string& databasePath,
                        const std::function<void(const OverviewRow&)>& each);

// One row per event from the stored rows, in event-number order. `progress`
// steps once per event.
Overview FillEventList(const std::string& databasePath, Progress& progress);

// The same from rows in event order (as NumberSortedEvents or SortByEvent leave
// them) for events 1 to `eventCount`: the event's total, its earliest and
// latest time, and the mob of its first row in SortMobTime's order.
Overview OverviewOfEvents(const std::vector<EventRow>& rows, const std::vector<std::string>& mobs,
                          int32_t eventCount, Progress& progress);

}  // namespace qorn
