#include "store/fight_writer.h"

#include "common/text_fold.h"
#include "store/database_file.h"
#include "store/parse_state.h"
#include "store/seconds_format.h"
#include "store/stored_seconds.h"

namespace qorn {
namespace {

// The order of fights by number: by mob (without regard to case), then start.
int CompareFights(std::string_view mobA, DateTime firstA, std::string_view mobB, DateTime firstB) {
  if (const int c = CompareNoCase(mobA, mobB); c != 0) return c;
  return firstA < firstB ? -1 : (firstB < firstA ? 1 : 0);
}

constexpr const char* kFightColumns =
    "(EventNum, FightKey, Mob, Total, FirstTime, LastTime, Signature)";

}  // namespace

FightWriter::FightWriter(Database& db)
    : db_(db),
      nextKey_(QueryInt(db, "SELECT coalesce(max(FightKey), 0) + 1 FROM Fights")),
      storedCount_(QueryInt(db, "SELECT count(*) FROM Fights")) {
  if (storedCount_ == 0) {
    // Nothing to keep: runs without a fight go, and the fights are written in place.
    if (QueryInt(db, "SELECT EXISTS (SELECT 1 FROM TickRuns)") != 0) {
      db.ExecuteNative("DELETE FROM TickRuns");
      changed_ = true;
    }
    insertFight_.emplace(
        db, std::string("INSERT INTO Fights ") + kFightColumns + " VALUES (?, ?, ?, ?, ?, ?, ?)");
  } else {
    // The new lines go beside the stored ones, which are read in their order
    // as the new fights come: a fight with the same runs keeps its key.
    db.ExecuteNative(std::string("CREATE TABLE FightsNew ") + kFightColumns);
    insertFight_.emplace(db, std::string("INSERT INTO FightsNew ") + kFightColumns +
                                 " VALUES (?, ?, ?, ?, ?, ?, ?)");
    stored_.emplace(db,
                    "SELECT EventNum, FightKey, Mob, Total, FirstTime, LastTime, Signature FROM "
                    "Fights ORDER BY EventNum");
    NextStored();
  }
  insertRun_.emplace(db,
                     "INSERT OR REPLACE INTO TickRuns (FightKey, TickNum, MobKey, FromTime, "
                     "ToTime, BaseSecond) VALUES (?, ?, ?, ?, ?, ?)");
  dropRuns_.emplace(db, "DELETE FROM TickRuns WHERE FightKey = ?");
  // The fights kept have their runs as the cut that made them left them,
  // unless the tables were changed since: then each kept fight's are counted.
  if (storedCount_ > 0 && !StoredCutIsWhole(db)) {
    countRuns_.emplace(db, "SELECT count(*) FROM TickRuns WHERE FightKey = ?");
  }
}

FightWriter::~FightWriter() = default;

void FightWriter::NextStored() {
  if (!stored_ || !stored_->Step()) {
    storedHeld_ = false;
    return;
  }
  storedHeld_ = true;
  storedEventNum_ = stored_->ColumnInt(0);
  storedKey_ = stored_->ColumnInt(1);
  storedMob_.assign(stored_->ColumnText(2));
  storedTotal_ = stored_->ColumnInt(3);
  storedFirst_ = stored_->ColumnDouble(4);
  storedLast_ = stored_->ColumnDouble(5);
  storedSignature_ = static_cast<uint64_t>(stored_->ColumnInt(6));
}

void FightWriter::DropStored() {
  dropRuns_->Bind(1, storedKey_).Step();
  dropRuns_->Reset();
  changed_ = true;
  same_ = false;
  NextStored();
}

void FightWriter::Add(const OverviewRow& line, const CutFight& fight) {
  ++count_;
  // Stored fights before this one in the order are not fights any more.
  while (storedHeld_ && CompareFights(storedMob_, storedFirst_, line.Mob, line.First) < 0) {
    DropStored();
  }
  int64_t key = 0;
  if (storedHeld_ && CompareFights(storedMob_, storedFirst_, line.Mob, line.First) == 0 &&
      storedSignature_ == fight.Signature && storedLast_ == line.Last && storedKey_ != 0) {
    key = storedKey_;
    same_ =
        same_ && storedEventNum_ == count_ && storedMob_ == line.Mob && storedTotal_ == line.Total;
    NextStored();
    // Runs lost since the cut that made them are written again.
    if (countRuns_) {
      countRuns_->Bind(1, key);
      const bool whole =
          countRuns_->Step() && countRuns_->ColumnInt(0) == static_cast<int64_t>(fight.Runs.size());
      countRuns_->Reset();
      if (!whole) {
        dropRuns_->Bind(1, key).Step();
        dropRuns_->Reset();
        WriteRuns(key, fight);
        changed_ = true;
      }
    }
  } else {
    key = nextKey_++;
    same_ = false;
    changed_ = true;
    WriteRuns(key, fight);
  }
  insertFight_->Bind(1, static_cast<int64_t>(line.EventNum))
      .Bind(2, key)
      .Bind(3, line.Mob)
      .Bind(4, line.Total)
      .Bind(5, line.First)
      .Bind(6, line.Last)
      .Bind(7, static_cast<int64_t>(fight.Signature));
  insertFight_->Step();
  insertFight_->Reset();
}

void FightWriter::WriteRuns(int64_t key, const CutFight& fight) {
  // A run of a stored fight at the same mob and time belongs to no fight
  // that stays: it is replaced.
  for (const TickRun& r : fight.Runs) {
    insertRun_->Bind(1, key).Bind(2, r.TickNum).Bind(3, r.MobKey).Bind(4, r.From).Bind(5, r.To);
    if (r.BaseSecond) {
      insertRun_->Bind(6, *r.BaseSecond);
    } else {
      insertRun_->BindNull(6);
    }
    insertRun_->Step();
    insertRun_->Reset();
  }
}

bool FightWriter::Finish() {
  while (storedHeld_) DropStored();
  if (!stored_) return changed_ || count_ > 0;
  stored_.reset();
  insertFight_.reset();
  // The fights' lines are replaced when any differs.
  if (!same_ || count_ != storedCount_) {
    db_.ExecuteNative("DELETE FROM Fights");
    db_.ExecuteNative(std::string("INSERT INTO Fights ") + kFightColumns +
                      " SELECT * FROM FightsNew");
    changed_ = true;
  }
  db_.ExecuteNative("DROP TABLE FightsNew");
  return changed_;
}

namespace {

Overview CutAndWriteOnce(Database& db, int16_t eventTimerSeconds, Progress& progress,
                         bool keepLines, StopToken stop) {
  Overview overview;
  FightWriter writer(db);
  auto sink = [&](OverviewRow& line, const CutFight& fight) {
    writer.Add(line, fight);
    if (keepLines) overview.Rows.push_back(std::move(line));
  };
  std::optional<int32_t> count = CutStoredSeconds(db, eventTimerSeconds, progress, stop, sink);
  if (!count) {
    // Seconds that are not current are made again from the rows first.
    RebuildMobSeconds(db, SecondRuns::kDefaultCapacity, stop);
    count = CutStoredSeconds(db, eventTimerSeconds, progress, stop, sink);
  }
  writer.Finish();
  NoteStoredCut(db, eventTimerSeconds);
  overview.EventCount = count.value_or(0);
  return overview;
}

}  // namespace

Overview CutAndWriteFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                           bool keepLines, StopToken stop) {
  // Seconds found damaged while they are cut: what the cut wrote so far is
  // undone, and they are made again from the rows and cut again. A new file
  // built without a journal cannot undo; its seconds were just written.
  Statement mode(db, "PRAGMA journal_mode");
  const bool canUndo = mode.Step() && CompareNoCase(mode.ColumnText(0), "off") != 0;
  mode.Reset();
  if (!canUndo) return CutAndWriteOnce(db, eventTimerSeconds, progress, keepLines, stop);
  for (int attempt = 0;; ++attempt) {
    db.ExecuteNative("SAVEPOINT cut");
    try {
      Overview overview = CutAndWriteOnce(db, eventTimerSeconds, progress, keepLines, stop);
      db.ExecuteNative("RELEASE cut");
      return overview;
    } catch (const StoredSecondsDamaged&) {
      db.ExecuteNative("ROLLBACK TO cut; RELEASE cut");
      // Made again from the rows just now, and still not whole.
      if (attempt > 0) FailImpossibleNumber(db.Path(), "its summed seconds cannot be made whole");
      MarkSecondsStale(db);
    }
  }
}

}  // namespace qorn
