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

namespace qorn {

// The per-second sums in the database: MobSlots holds a line per mob (its
// key, first spelling, and in Slots its spellings with how many seconds and
// how much damage it has) and SlotChunks its seconds in pieces (Slots), in
// the form of seconds_format.h. ParseState's SlotsValid notes their totals
// when they are made (parse_state.h says what makes them stale).

class SecondRuns;

// Replaces the stored seconds with `bySeconds` (all mobs), or writes only
// the seconds from `changedFrom` on (by mob; kUnchanged: none).
void WriteMobSeconds(Database& db, const std::vector<MobSeconds>& bySeconds,
                     const std::vector<size_t>* changedFrom = nullptr);
// Replaces the stored seconds with those of `runs`, read in mob key order;
// `spellings[k - 1]` are the texts of the mob with key k. Returns each mob's
// key with its first and last second.
struct MobSpan {
  int64_t Key = 0;
  DateTime First = 0;
  DateTime Last = 0;
};
std::vector<MobSpan> WriteSecondRuns(Database& db, SecondRuns& runs,
                                     const std::vector<std::vector<std::string>>& spellings);
// Notes the stored seconds as those of the stored rows (SlotsValid).
void MarkMobSecondsCurrent(Database& db);

// The stored mobs, when their seconds are there and current (no row changed
// since they were written, and they are as they were written); else false.
// Only the mobs of `texts` (without regard to case) come with their seconds.
bool ReadMobSeconds(Database& db, const std::vector<std::string>& texts,
                    std::vector<MobSeconds>& out);

// Cuts the fights of the stored seconds, read a mob at a time, into `sink`;
// returns their number, or none when the stored seconds are not current.
// Each mob is a step at which `stop` may stop the cut.
// Throws StoredSecondsDamaged when a mob's seconds are not what was written
// (the sink may then have heard some fights).
std::optional<int32_t> CutStoredSeconds(Database& db, int16_t eventTimerSeconds, Progress& progress,
                                        StopToken stop, const FightSink& sink);

// Reads every stored damage row (DamageRows), makes the mobs' seconds, gives
// the rows their mob's key where it differs, and stores the seconds. A row
// without a time or a damage is the damaged-database error (DatabaseError).
void RebuildMobSeconds(Database& db);

}  // namespace qorn
