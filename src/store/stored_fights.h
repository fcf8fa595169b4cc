#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/event_timer.h"
#include "common/progress.h"
#include "common/stop_token.h"
#include "store/crit_marks.h"
#include "store/event_overview.h"
#include "store/stored_seconds.h"

namespace qorn {

class Database;

struct EventBuildResult {
  std::vector<SpellDatRec> SpellDatRecs;  // in the table's order
  int32_t EventCount = 0;                 // the highest event number given out
};

// A parse with its events numbered and its overview.
struct NumberedParse {
  EventBuildResult Events;
  Overview EventList;
};

// The fights of the stored file at `databasePath` cut again (Get Previous):
// marks the crits the spell table calls new, cuts the fights from the mobs'
// summed seconds, and writes only what changed (nothing when the cut is the
// stored one), in one transaction. A file of an earlier version is copied once
// into a new file as the program makes them now. A damaged stored file is
// moved aside, and then qorn::Error says so.
// The overview keeps the fights' lines unless `keepOverview` is false (then
// only its EventCount is set, and the lines are read from the file).
NumberedParse RenumberStoredParse(const std::string& databasePath, int16_t eventTimerSeconds,
                                  Progress& progress, bool keepOverview = true,
                                  StopToken stop = {});

// RenumberStoredParse's cut on an open database, inside a transaction the
// caller holds; with `change`, where the stored seconds changed since the
// stored cut (CutAndWriteFights).
NumberedParse CutStoredFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                              bool keepOverview = true, StopToken stop = {},
                              const SecondsChange* change = nullptr);

}  // namespace qorn
