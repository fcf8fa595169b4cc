#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
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

// Writes the seconds of the mobs of `bySeconds` that changed (by mob, the
// place of the first that changed among all the mob's, kUnchanged: none),
// from the piece that holds it on, and their lines: each with the seconds it
// holds after its Before, noted as NotedSeconds and NotedDamage say.
void WriteChangedSeconds(Database& db, const std::vector<MobSeconds>& bySeconds,
                         const std::vector<size_t>& changedFrom);
// Replaces the stored seconds with those of `runs`, whose mobs are those of
// `mobs` (their keys and spellings), and notes them current. Returns each
// mob's key with its first and last second, in the order of `mobs`.
struct MobSpan {
  int64_t Key = 0;
  DateTime First = 0;
  DateTime Last = 0;
};
std::vector<MobSpan> WriteSecondRuns(Database& db, SecondRuns& runs, const MobIdentity& mobs);
// What is noted of all the stored seconds (SecondsValid): how many mobs and
// seconds MobSeconds says it holds, and their damage.
struct SecondsTotals {
  uint64_t Mobs = 0;
  uint64_t Seconds = 0;
  uint64_t Damage = 0;  // wraps as damaged bytes may

  void Add(const MobSeconds& mob);
};
// Notes the stored seconds as those of the stored rows (SecondsValid), with
// the totals of what was written: what MobSeconds' lines say.
void MarkMobSecondsCurrent(Database& db, const SecondsTotals& totals);

// The stored mobs (their keys and spellings, without their seconds), when
// their seconds are there and current: no row changed since they were
// written, and they are as they were written. Else false, and none.
// `noted`, when given, gets what SecondsValid noted of them.
bool ReadStoredMobs(Database& db, std::vector<MobSeconds>& out, SecondsTotals* noted = nullptr);
// The same in SortMobTime's order (their texts without regard to case).
bool ReadStoredMobsInOrder(Database& db, std::vector<MobSeconds>& out);
// Appends the stored seconds of `mob` (one of ReadStoredMobs') to its
// Seconds; StoredSecondsDamaged when they are not what its line noted.
void ReadStoredSeconds(Database& db, MobSeconds& mob);
// The same for its last seconds only: those of the pieces from the last
// whose first second is not after `from` (all when there is none), its
// Before the seconds of the pieces before them. StoredSecondsDamaged when
// the pieces read are not as many seconds as its line noted of them.
void ReadStoredSecondsFrom(Database& db, MobSeconds& mob, DateTime from);

// Where the stored seconds changed since they were cut: each mob whose
// seconds changed (or that is new), by its key, and the first second that
// changed; the seconds before it are those the cut saw. CutTimer: the timer
// of the stored cut when it was current before they changed.
struct SecondsChange {
  std::optional<int16_t> CutTimer;
  std::vector<std::pair<int64_t, DateTime>> Mobs;
};

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
