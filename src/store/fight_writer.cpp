#include "store/fight_writer.h"

#include <limits>
#include <map>

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

FightWriter::FightWriter(Database& db, Rewrite rewrite)
    : db_(db),
      nextKey_(QueryInt(db, "SELECT coalesce(max(FightKey), 0) + 1 FROM Fights")),
      storedCount_(QueryInt(db, "SELECT count(*) FROM Fights")),
      rewrite_(rewrite) {
  if (storedCount_ == 0) {
    // Nothing to keep: runs without a fight go, and the fights are written in place.
    firstDifferent_ = 1;
    if (QueryInt(db, "SELECT EXISTS (SELECT 1 FROM TickRuns)") != 0) {
      db.ExecuteNative("DELETE FROM TickRuns");
      changed_ = true;
    }
    insertFight_.emplace(
        db, std::string("INSERT INTO Fights ") + kFightColumns + " VALUES (?, ?, ?, ?, ?, ?, ?)");
  } else {
    // The new lines go beside the stored ones (in a table of the connection's
    // own, never written to the file or its journal), which are read in their
    // order as the new fights come: a fight with the same runs keeps its key.
    db.ExecuteNative(std::string("CREATE TEMP TABLE FightsNew ") + kFightColumns);
    insertFight_.emplace(db, std::string("INSERT INTO FightsNew ") + kFightColumns +
                                 " VALUES (?, ?, ?, ?, ?, ?, ?)");
    stored_.emplace(db,
                    "SELECT EventNum, FightKey, Mob, Total, FirstTime, LastTime, Signature FROM "
                    "Fights WHERE EventNum >= ? ORDER BY EventNum");
    stored_->Bind(1, std::numeric_limits<int64_t>::min());
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
  ++storedRead_;
  storedEventNum_ = stored_->ColumnInt(0);
  storedKey_ = stored_->ColumnInt(1);
  storedMob_.assign(stored_->ColumnText(2));
  storedTotal_ = stored_->ColumnInt(3);
  storedFirst_ = stored_->ColumnDouble(4);
  storedLast_ = stored_->ColumnDouble(5);
  storedSignature_ = static_cast<uint64_t>(stored_->ColumnInt(6));
}

void FightWriter::Differs(int64_t eventNum) {
  same_ = false;
  if (firstDifferent_ == 0) firstDifferent_ = eventNum;
}

void FightWriter::DropStored(int64_t nextLine) {
  ++storedDropped_;
  dropRuns_->Bind(1, storedKey_).Step();
  dropRuns_->Reset();
  changed_ = true;
  Differs(nextLine);
  NextStored();
}

void FightWriter::Add(const OverviewRow& line, const CutFight& fight) {
  RewriteTheRestWhenMostChange();
  ++count_;
  // Stored fights before this one in the order are not fights any more.
  while (storedHeld_ && CompareFights(storedMob_, storedFirst_, line.Mob, line.First) < 0) {
    DropStored(count_);
  }
  int64_t key = 0;
  if (storedHeld_ && CompareFights(storedMob_, storedFirst_, line.Mob, line.First) == 0 &&
      storedSignature_ == fight.Signature && storedLast_ == line.Last && storedKey_ != 0) {
    key = storedKey_;
    if (storedEventNum_ != count_ || storedMob_ != line.Mob || storedTotal_ != line.Total) {
      Differs(count_);
    }
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
    Differs(count_);
    changed_ = true;
    WriteRuns(key, fight);
  }
  // The lines before the first that differs are the stored ones.
  if (firstDifferent_ == 0) return;
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

void FightWriter::Keep(int64_t from, int64_t to) {
  while (storedHeld_ && storedEventNum_ < from) DropStored(count_ + 1);
  if (!stored_ || to < from) return;
  const int64_t shift = count_ + 1 - from;
  if (shift != 0) Differs(count_ + 1);
  if (firstDifferent_ == 0) {
    // Kept under their own numbers, after lines that are the stored ones.
    Statement kept(db_, "SELECT count(*) FROM Fights WHERE EventNum BETWEEN ? AND ?");
    kept.Bind(1, from).Bind(2, to).Step();
    count_ += kept.ColumnInt(0);
  } else {
    Statement keep(db_,
                   "INSERT INTO FightsNew SELECT EventNum + ?, FightKey, Mob, Total, FirstTime, "
                   "LastTime, Signature FROM Fights WHERE EventNum BETWEEN ? AND ?");
    keep.Bind(1, shift).Bind(2, from).Bind(3, to).Step();
    count_ += sqlite3_changes64(db_.Handle());
  }
  // The stored fights are read on after them.
  stored_->Reset();
  stored_->Bind(1, to == std::numeric_limits<int64_t>::max() ? to : to + 1);
  if (to == std::numeric_limits<int64_t>::max()) {
    storedHeld_ = false;
  } else {
    NextStored();
  }
}

void FightWriter::RewriteTheRestWhenMostChange() {
  // Looked at once every so many stored fights: a changed fight costs a
  // search in each of the runs' indexes for each run that goes and each that
  // comes; writing anew costs a line and its runs for every fight, changed or
  // not, and a sort of the runs at the end.
  constexpr int64_t kEvery = 1024;
  if (rewrite_ != Rewrite::WhenMostChange || linesInPlace_ || !storedHeld_ ||
      storedRead_ % kEvery != 0 || 2 * storedDropped_ <= storedRead_) {
    return;
  }
  // The stored fights from the one held on are not read again (a table read
  // by a statement under way cannot lose an index): their runs go now, in one
  // pass over the runs, their lines when the lines are written.
  const int64_t firstGone = storedEventNum_;
  storedHeld_ = false;
  stored_->Reset();
  for (SchemaObject& o : SchemaObjectsOf(db_)) {
    if (o.Type == "index" && CompareNoCase(o.Table, "TickRuns") == 0) {
      runIndexes_.push_back(std::move(o));
    }
  }
  for (const SchemaObject& o : runIndexes_) {
    db_.ExecuteNative("DROP INDEX " + QuoteIdentifier(o.Name));
  }
  Statement drop(db_,
                 "DELETE FROM TickRuns WHERE FightKey IN (SELECT FightKey FROM Fights WHERE "
                 "EventNum >= ?)");
  drop.Bind(1, firstGone).Step();
  changed_ = true;
  Differs(count_ + 1);
  // The lines from the first that differs are written in place from now on.
  Statement lines(db_, "DELETE FROM Fights WHERE EventNum >= ?");
  lines.Bind(1, firstDifferent_).Step();
  db_.ExecuteNative(std::string("INSERT INTO Fights ") + kFightColumns +
                    " SELECT * FROM FightsNew; DELETE FROM FightsNew");
  insertFight_.emplace(
      db_, std::string("INSERT INTO Fights ") + kFightColumns + " VALUES (?, ?, ?, ?, ?, ?, ?)");
  linesInPlace_ = true;
}

void FightWriter::MakeRunIndexesAgain() {
  for (const SchemaObject& o : runIndexes_) {
    try {
      db_.ExecuteNative(o.Sql);
    } catch (const DatabaseError& e) {
      if ((e.Code() & 0xff) != SQLITE_CONSTRAINT) throw;
      // A run left by no fight (the tables edited by hand) at the mob and
      // time of one written now: the one written last stays, as when the
      // runs are written with the index in place.
      db_.ExecuteNative(
          "DELETE FROM TickRuns WHERE rowid NOT IN (SELECT max(rowid) FROM TickRuns GROUP BY "
          "MobKey, FromTime)");
      db_.ExecuteNative(o.Sql);
    }
  }
  runIndexes_.clear();
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
  while (storedHeld_) DropStored(count_ + 1);
  MakeRunIndexesAgain();
  if (!stored_) return changed_ || count_ > 0;
  stored_.reset();
  insertFight_.reset();
  // The fights' lines are replaced from the first that differs on.
  if (!linesInPlace_ && (!same_ || count_ != storedCount_)) {
    Statement drop(db_, "DELETE FROM Fights WHERE EventNum >= ?");
    drop.Bind(1, firstDifferent_ != 0 ? firstDifferent_ : count_ + 1).Step();
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
  // A cut with another timer than the stored one's leaves few fights as they
  // were on some logs (a camp fought around the clock) and all of them on
  // others (many mobs, each fought once): the writer compares, and writes the
  // rest anew once most of the fights it compared have changed.
  FightWriter writer(db, FightWriter::Rewrite::WhenMostChange);
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

// Where the cut of one mob whose seconds changed starts again, in the stored
// fights' numbers: the fights FirstAgain to LastStored (none when LastStored
// is below FirstAgain, a mob new to the cut) are cut again from its seconds
// from ReadFrom on.
struct CutAgain {
  MobSeconds* Mob = nullptr;
  int64_t FirstAgain = 0;
  int64_t LastStored = 0;
  DateTime ReadFrom = -std::numeric_limits<double>::infinity();
};

// The cut again of the mobs that changed, worked out from the stored cut as
// it is (before anything is written); none when a whole cut must be made
// instead (the empty mob, which is cut with the mob after it).
std::optional<std::vector<CutAgain>> WhereToCutAgain(Database& db, std::vector<MobSeconds>& mobs,
                                                     const SecondsChange& change) {
  // The stored fight of the mob's last run that starts before a time: its
  // number and first second.
  Statement runBefore(db,
                      "SELECT f.EventNum, f.FirstTime FROM TickRuns t JOIN Fights f ON f.FightKey "
                      "= t.FightKey WHERE t.MobKey = ? AND t.FromTime < ? ORDER BY t.FromTime DESC "
                      "LIMIT 1");
  auto fightBefore = [&](int64_t key,
                         DateTime before) -> std::optional<std::pair<int64_t, DateTime>> {
    runBefore.Bind(1, key).Bind(2, before);
    std::optional<std::pair<int64_t, DateTime>> out;
    if (runBefore.Step()) out.emplace(runBefore.ColumnInt(0), runBefore.ColumnDouble(1));
    runBefore.Reset();
    return out;
  };
  constexpr DateTime kEver = std::numeric_limits<double>::infinity();
  std::map<int64_t, DateTime> changedFrom(change.Mobs.begin(), change.Mobs.end());
  std::vector<CutAgain> again;
  for (size_t k = 0; k < mobs.size(); ++k) {
    if (TakesTheNextRow(mobs[k].Texts.front())) return std::nullopt;
    const auto changed = changedFrom.find(mobs[k].Key);
    if (changed == changedFrom.end()) continue;
    // A mob's fights follow those of the mobs before it.
    int64_t before = 0;
    for (size_t j = k; j-- > 0;) {
      if (const auto last = fightBefore(mobs[j].Key, kEver)) {
        before = last->first;
        break;
      }
    }
    CutAgain cut{&mobs[k], before + 1, before};
    if (const auto last = fightBefore(mobs[k].Key, kEver)) cut.LastStored = last->first;
    // The fight that held the last second before the change is cut again
    // from its start: the fights before it stay.
    if (const auto from = fightBefore(mobs[k].Key, changed->second)) {
      cut.FirstAgain = from->first;
      cut.ReadFrom = from->second;
    }
    again.push_back(cut);
  }
  return again;
}

// The fights of the mobs that changed cut again (WhereToCutAgain), the others
// kept as they are; none when a whole cut must be made instead.
std::optional<Overview> CutChangedOnce(Database& db, int16_t eventTimerSeconds,
                                       const SecondsChange& change, Progress& progress,
                                       bool keepLines, StopToken stop) {
  if (change.CutTimer != eventTimerSeconds) return std::nullopt;
  std::vector<MobSeconds> mobs;  // their texts only: the seconds are read a mob at a time
  if (!ReadStoredMobsInOrder(db, mobs)) return std::nullopt;
  const std::optional<std::vector<CutAgain>> again = WhereToCutAgain(db, mobs, change);
  if (!again) return std::nullopt;
  progress.SetValue(0);
  progress.SetMaximum(static_cast<double>(again->size()) + 1);
  ProgressSteps steps(progress, again->size());
  FightWriter writer(db);
  int64_t nextStored = 1;
  for (size_t i = 0; i < again->size(); ++i) {
    stop.StopHere();
    const CutAgain& cut = (*again)[i];
    writer.Keep(nextStored, cut.FirstAgain - 1);
    MobSeconds& mob = *cut.Mob;
    ReadStoredSecondsFrom(db, mob, cut.ReadFrom);
    std::erase_if(mob.Seconds, [&](const EventRow& s) { return s.When < cut.ReadFrom; });
    FightCutter cutter(
        eventTimerSeconds,
        [&](OverviewRow& line, const CutFight& fight) { writer.Add(line, fight); },
        static_cast<int32_t>(writer.Count()));
    cutter.Add(mob);
    cutter.Finish();
    std::vector<EventRow>().swap(mob.Seconds);
    nextStored = std::max(cut.LastStored, cut.FirstAgain - 1) + 1;
    steps.Done(i + 1);
  }
  writer.Keep(nextStored, std::numeric_limits<int64_t>::max());
  writer.Finish();
  NoteStoredCut(db, eventTimerSeconds);
  Overview overview;
  if (keepLines) {
    overview = StoredOverview(db);
  } else {
    overview.EventCount = static_cast<int32_t>(writer.Count());
  }
  return overview;
}

}  // namespace

Overview CutAndWriteFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                           bool keepLines, StopToken stop, const SecondsChange* change) {
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
      std::optional<Overview> changed;
      if (change != nullptr && attempt == 0) {
        changed = CutChangedOnce(db, eventTimerSeconds, *change, progress, keepLines, stop);
      }
      Overview overview = changed
                              ? std::move(*changed)
                              : CutAndWriteOnce(db, eventTimerSeconds, progress, keepLines, stop);
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
