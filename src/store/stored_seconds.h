#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/progress.h"
#include "common/stop_token.h"
#include "store/database.h"
#include "store/fight_cut.h"
#include "store/mob_seconds.h"
#include "store/second_runs.h"

namespace qorn {

// The per-second sums in the database: MobSeconds holds a line per mob (its
// key, first spelling, and in Seconds its spellings with how many seconds
// and how much damage it has) and SecondChunks its seconds in pieces
// (Seconds), in the form of seconds_format.h. ParseState's SecondsValid
// notes their totals when they are made (parse_state.h says what makes them
// stale).

class MobIdentity;

// Replaces the stored seconds with `bySeconds` (all mobs), or writes only
// the seconds from `changedFrom` on (by mob; kUnchanged: none).
void WriteMobSeconds(Database& db, const std::vector<MobSeconds>& bySeconds,
                     const std::vector<size_t>* changedFrom = nullptr);
// Replaces the stored seconds with those of `runs`, whose mobs are those of
// `mobs` (their keys and spellings). Returns each mob's key with its first
// and last second, in the order of `mobs`.
struct MobSpan {
  int64_t Key = 0;
  DateTime First = 0;
  DateTime Last = 0;
};
std::vector<MobSpan> WriteSecondRuns(Database& db, SecondRuns& runs, const MobIdentity& mobs);
// Notes the stored seconds as those of the stored rows (SecondsValid).
void MarkMobSecondsCurrent(Database& db);

// The stored mobs (their keys and spellings, without their seconds), when
// their seconds are there and current: no row changed since they were
// written, and they are as they were written. Else false, and none.
bool ReadStoredMobs(Database& db, std::vector<MobSeconds>& out);
// Appends the stored seconds of `mob` (one of ReadStoredMobs') to its
// Seconds; StoredSecondsDamaged when they are not what its line noted.
void ReadStoredSeconds(Database& db, MobSeconds& mob);

// Cuts the fights of the stored seconds, read a mob at a time, into `sink`;
// returns their number, or none when the stored seconds are not current.
// Each mob is a step at which `stop` may stop the cut.
// Throws StoredSecondsDamaged when a mob's seconds are not what was written
// (the sink may then have heard some fights).
std::optional<int32_t> CutStoredSeconds(Database& db, int16_t eventTimerSeconds, Progress& progress,
                                        StopToken stop, const FightSink& sink);

// Makes the stored seconds again from the stored damage rows (DamageRows),
// read in RecNum order a row at a time through sorted runs as Get Log makes
// them, so memory stays within bounds. The rows keep their keys where each
// mob's rows carry one key of their own; else every mob gets its key by its
// first row (MobIdentity) and the rows are given it. A row without a time or
// a damage is the damaged-database error (DatabaseError). `secondsInMemory`
// as for Get Log (ParseWriter).
void RebuildMobSeconds(Database& db, size_t secondsInMemory = SecondRuns::kDefaultCapacity,
                       StopToken stop = {});

}  // namespace qorn
