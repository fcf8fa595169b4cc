#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "store/database.h"
#include "store/event_overview.h"
#include "store/event_rows.h"

namespace qorn {

class Database;

// One mob (its texts without regard to case) with its damage rows summed per
// second: all that cutting fights and numbering ticks needs of the rows. Rows
// of one mob in one second always share their fight and tick, so the fights
// can be cut again (another timer, rows appended) without reading the rows.
struct MobSeconds {
  int64_t Key = 0;                 // the MobKey of its rows and tick runs
  std::vector<std::string> Texts;  // its spellings (UTF-8), the first met first
  // In time order. Per second: When, the first row's RecNum and its spelling
  // (Mob, an index into Texts), the damage summed, and Dot when any row is a
  // DoT tick.
  std::vector<EventRow> Seconds;
  // Read from the store: how many seconds and how much damage were written
  // for the mob, to check its seconds against when they are read.
  uint64_t NotedSeconds = 0;
  int64_t NotedDamage = 0;
};

// Stored seconds that disagree with what was noted when they were written
// (a piece lost or changed by hand or by the disk): they must be made again
// from the rows.
class StoredSecondsDamaged : public Error {
 public:
  StoredSecondsDamaged() : Error("The stored seconds of a mob are damaged.") {}
};

// The mobs of rows, each with its seconds. `mobs` are the texts the rows'
// Mob index; mobs get the keys 1, 2, ... in SortMobTime's order.
std::vector<MobSeconds> MobSecondsOfRows(const std::vector<EventRow>& rows,
                                         const std::vector<std::string>& mobs);
// The key of each of `mobs` (texts) in `bySeconds`, which MobSecondsOfRows made from them.
std::vector<int64_t> MobKeysOf(const std::vector<MobSeconds>& bySeconds,
                               const std::vector<std::string>& mobs);

inline constexpr size_t kUnchanged = SIZE_MAX;

// Adds rows (RecNums above those already summed) to the mobs' seconds; a mob
// not there yet is added with the next free key. Returns the key of each of
// `mobs` (the texts the rows' Mob index); `changedFrom` gets, by mob, the
// first of its seconds that changed (kUnchanged when none did).
std::vector<int64_t> AddRowsToMobSeconds(std::vector<MobSeconds>& bySeconds,
                                         const std::vector<EventRow>& rows,
                                         const std::vector<std::string>& mobs,
                                         std::vector<size_t>& changedFrom);

// One fight as the tables hold it: its tick runs and overview line.
struct TickRun {
  int64_t MobKey = 0;
  DateTime From = 0;
  DateTime To = 0;
  int32_t TickNum = 0;
};
struct CutFight {
  std::vector<TickRun> Runs;
  uint64_t Signature = 0;  // of its runs: a fight with the same runs keeps its key
};

// Hears each fight as it is cut, in event-number order (from 1): its
// overview line, which it may take, and its runs.
using FightSink = std::function<void(OverviewRow& line, const CutFight& fight)>;

// Cuts the fights of mobs given one at a time, in SortMobTime's order (their
// texts without regard to case): a mob's fights follow those of the mobs
// before it. Each mob's seconds are used up as they are cut.
class FightCutter {
 public:
  FightCutter(int16_t eventTimerSeconds, FightSink sink);
  void Add(MobSeconds& mob);
  // The number of fights.
  int32_t Finish();

 private:
  void Cut(std::span<MobSeconds*> group);

  int16_t timer_;
  FightSink sink_;
  int32_t count_ = 0;
  std::optional<MobSeconds> held_;  // the empty mob, cut with the next
};

// Cuts the fights of the stored seconds, read a mob at a time, into `sink`;
// returns their number, or none when the stored seconds are not current.
// Throws StoredSecondsDamaged when a mob's seconds are not what was written
// (the sink may then have heard some fights).
std::optional<int32_t> CutStoredSeconds(Database& db, int16_t eventTimerSeconds, Progress& progress,
                                        const FightSink& sink);

// Writes fights as they are cut into Fights and TickRuns of `db` (inside the
// caller's transaction), holding none of them: a stored fight whose runs are
// the same keeps its runs, the others' runs are replaced, and the fights'
// lines are rewritten when any differs. Finish() says whether anything was
// written.
class FightWriter {
 public:
  explicit FightWriter(Database& db);
  ~FightWriter();
  FightWriter(const FightWriter&) = delete;
  FightWriter& operator=(const FightWriter&) = delete;

  void Add(const OverviewRow& line, const CutFight& fight);
  bool Finish();

 private:
  void NextStored();
  void DropStored();
  void WriteRuns(int64_t key, const CutFight& fight);

  Database& db_;
  int64_t nextKey_;
  int64_t storedCount_;
  int64_t count_ = 0;
  bool changed_ = false;
  bool same_ = true;  // every line so far is the stored one of its number
  std::optional<Statement> insertFight_;
  std::optional<Statement> insertRun_;
  std::optional<Statement> dropRuns_;
  // Counts a kept fight's runs, when the tables may have lost some.
  std::optional<Statement> countRuns_;
  std::optional<Statement> stored_;  // the stored fights in order; none when there are none
  bool storedHeld_ = false;
  int64_t storedEventNum_ = 0, storedKey_ = 0, storedTotal_ = 0;
  std::string storedMob_;
  DateTime storedFirst_ = 0, storedLast_ = 0;
  uint64_t storedSignature_ = 0;
};
// Cuts the fights from the stored seconds (made again from the rows first
// when they are not current) and writes them as they come, and notes the
// cut. The overview keeps the fights' lines only when asked. Seconds found
// damaged while they are cut are made again from the rows and cut again;
// that needs a file with a rollback journal (not a new file being built).
Overview CutAndWriteFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                           bool keepLines);

// Replaces the stored seconds with `bySeconds` (all mobs), or writes only
// the seconds from `changedFrom` on (by mob; kUnchanged: none).
void WriteMobSeconds(Database& db, const std::vector<MobSeconds>& bySeconds,
                     const std::vector<size_t>* changedFrom = nullptr);
// Replaces the stored seconds with those of `runs`, read in mob key order;
// `spellings[k - 1]` are the texts of the mob with key k. Returns each mob's
// key with its first and last second.
class SecondRuns;
struct MobSpan {
  int64_t Key = 0;
  DateTime First = 0;
  DateTime Last = 0;
};
std::vector<MobSpan> WriteSecondRuns(Database& db, SecondRuns& runs,
                                     const std::vector<std::vector<std::string>>& spellings);
// The stored mobs, when their seconds are there and current (no row changed
// since they were written, and they are as they were written); else false. Only the mobs of `texts`
// (without regard to case) come with their seconds.
bool ReadMobSeconds(Database& db, const std::vector<std::string>& texts,
                    std::vector<MobSeconds>& out);
// Marks the stored seconds as those of the stored rows.
void MarkMobSecondsCurrent(Database& db);
// Notes the timer the stored fights were cut with; and whether they were cut
// with `eventTimerSeconds` from the stored seconds as they are now.
void NoteStoredCut(Database& db, int16_t eventTimerSeconds);
bool StoredCutIsCurrent(Database& db, int16_t eventTimerSeconds);
// The timer the stored fights were last cut with, also once a changed row
// made that cut stale; none in a file that notes none.
std::optional<int16_t> StoredCutTimer(Database& db);

// Whether the file keeps its rows apart from their numbers, as the program
// makes files now; a file of an earlier version holds ParseData as a table.
bool HoldsRowsApart(Database& db);

// Reads every stored damage row (DamageRows), makes the mobs' seconds, gives
// the rows their mob's key where it differs, and stores the seconds. A row
// without a time or a damage is the damaged-database error (DatabaseError).
void RebuildMobSeconds(Database& db);

}  // namespace qorn
