#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/progress.h"
#include "common/stop_token.h"
#include "parse/records.h"
#include "store/crit_marks.h"
#include "store/mob_identity.h"
#include "store/second_runs.h"
#include "store/stored_seconds.h"
#include "store/stored_fights.h"

namespace qorn {

class Database;
class DatabaseRebuild;

// Stores a parse into the empty tables of `db` a block of records at a time,
// as the parse hands them over: the damage rows with their mob keys (and,
// with a timer, their crit marks from the spell table of `db`), the casts,
// and each row's second. Finish() then stores the mobs' seconds, and with a
// timer cuts the fights from them; without one every row is in "event 0".
// Memory stays within bounds whatever the parse's size: the seconds go to
// files beside the database once `secondsInMemory` of them are held.
class ParseWriter {
 public:
  explicit ParseWriter(Database& db, std::optional<int16_t> eventTimerSeconds,
                       size_t secondsInMemory = SecondRuns::kDefaultCapacity);
  ~ParseWriter();
  ParseWriter(const ParseWriter&) = delete;
  ParseWriter& operator=(const ParseWriter&) = delete;

  // The next records; `lastCastChange` changes the last cast stored before them.
  void Add(const ParseResult& records, std::optional<int16_t> lastCastChange);
  // The overview keeps the fights' lines unless `keepOverview` is false.
  NumberedParse Finish(Progress& progress, bool keepOverview = true, StopToken stop = {});

  int64_t DamageRows() const { return damageRows_; }
  int64_t CastRows() const { return castRows_; }

 private:
  Database& db_;
  std::optional<int16_t> timer_;
  std::vector<SpellDatRec> spells_;
  std::unique_ptr<CritRule> crits_;
  SecondRuns runs_;
  MobIdentity mobs_;
  int64_t damageRows_ = 0;
  int64_t castRows_ = 0;
};

// Appends the records of lines appended to the log to the stored parse of
// `db` (inside the caller's transaction): damage rows from RecNum
// `firstRecNum` on with their crit marks, cast rows from `firstCast` on, the
// change a fizzle or interrupt makes to the last stored cast, and the rows'
// seconds (only the last seconds of the mobs the rows are on are read). The
// fights are cut afterwards from the stored seconds, again only where they
// changed: returns where, when the stored seconds were current (else the
// cut makes them again from the rows).
std::optional<SecondsChange> StoreAppendedParse(Database& db, const AppendedParse& appended,
                                                int64_t firstRecNum, int64_t firstCast,
                                                Progress& progress);

}  // namespace qorn
