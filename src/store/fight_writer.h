#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/progress.h"
#include "common/stop_token.h"
#include "store/database.h"
#include "store/event_overview.h"
#include "store/fight_cut.h"
#include "store/schema.h"
#include "store/stored_seconds.h"

namespace qorn {

// Writes fights as they are cut into Fights and TickRuns of `db` (inside the
// caller's transaction), holding none of them: a stored fight whose runs are
// the same keeps its runs (written again when the tables lost some since the
// cut that made them), the others' runs are replaced, and the fights' lines
// are rewritten when any differs. Finish() says whether anything was
// written.
class FightWriter {
 public:
  // Whether the writer may write the fights after the first ones anew when
  // most of those first ones differ from the stored ones (a cut with another
  // timer): the stored fights still to come and their runs then go, and the
  // runs' indexes are made again at the end (a sort) instead of taking each
  // changed fight's runs at their places. Never with Keep().
  enum class Rewrite { Never, WhenMostChange };

  explicit FightWriter(Database& db, Rewrite rewrite = Rewrite::Never);
  ~FightWriter();
  FightWriter(const FightWriter&) = delete;
  FightWriter& operator=(const FightWriter&) = delete;

  void Add(const OverviewRow& line, const CutFight& fight);
  // The stored fights numbered `from` to `to` stay as they are, lines and
  // runs, numbered on after the lines so far; stored fights before `from`
  // that no line kept are gone.
  void Keep(int64_t from, int64_t to);
  // How many lines there are so far: the number of the last.
  int64_t Count() const { return count_; }
  bool Finish();

 private:
  void NextStored();
  // The stored fight read goes, the next line to come numbered `nextLine`.
  void DropStored(int64_t nextLine);
  // The line of number `eventNum` is not the stored one.
  void Differs(int64_t eventNum);
  void WriteRuns(int64_t key, const CutFight& fight);
  // Whether the stored fights read so far say that writing the rest anew is
  // the shorter way, and if so, the stored runs from the held stored fight on
  // go and the runs' indexes with them.
  void RewriteTheRestWhenMostChange();
  void MakeRunIndexesAgain();

  Database& db_;
  int64_t nextKey_;
  int64_t storedCount_;
  int64_t count_ = 0;
  bool changed_ = false;
  bool same_ = true;            // every line so far is the stored one of its number
  int64_t firstDifferent_ = 0;  // the first line that is not, from which lines are written
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
  const Rewrite rewrite_;
  int64_t storedRead_ = 0, storedDropped_ = 0;  // stored fights read, and of them dropped
  std::vector<SchemaObject> runIndexes_;        // dropped while the rest is written anew
  bool linesInPlace_ = false;                   // the lines go into Fights, not beside them
};

// Cuts the fights from the stored seconds (made again from the rows first
// when they are not current) and writes them as they come, and notes the
// cut. The overview keeps the fights' lines only when asked. Seconds found
// damaged while they are cut are made again from the rows and cut again;
// that needs a file with a rollback journal (not a new file being built).
// With `change` (where the seconds changed since a cut that was current),
// only the fights of the mobs that changed are cut again, from the fight
// that held the last second before the change; the others keep their lines
// and runs under the numbers they now have.
Overview CutAndWriteFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                           bool keepLines, StopToken stop = {},
                           const SecondsChange* change = nullptr);

}  // namespace qorn
