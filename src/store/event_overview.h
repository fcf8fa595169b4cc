#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "common/progress.h"

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

// One row per event from the stored rows, in event-number order. `progress`
// steps once per event.
Overview FillEventList(const std::string& databasePath, Progress& progress);

}  // namespace qorn
