// FightWriter on a parse database: what it keeps of a stored cut, what it
// writes again, and what it says changed.
#include "store/fight_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "store/parse_state.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

// A fight as the cutter would hand it on: `runs` ticks from `first`, one a
// tick, and the signature of its runs given outright. Each mob has its key.
struct Fight {
  const char* mob;
  int first;
  int runs;
  uint64_t signature;
};
using Cut = std::vector<Fight>;

// One fight as the cutter hands it on, numbered `eventNum`.
void AddFight(FightWriter& writer, const Fight& f, int64_t eventNum) {
  CutFight fight;
  fight.Signature = f.signature;
  for (int r = 0; r < f.runs; ++r) {
    const DateTime at = test::FixtureTime(f.first + 6 * r);
    fight.Runs.push_back({std::string_view(f.mob) == "a rat" ? 2 : 1, at, at, r + 1, {}});
  }
  writer.Add(
      MakeOverviewRow(static_cast<int32_t>(eventNum), f.mob, 10 * f.runs,
                      test::FixtureTime(f.first), test::FixtureTime(f.first + 6 * (f.runs - 1))),
      fight);
}

// Writes a cut as CutAndWriteFights does; whether anything was written.
bool WriteCut(Database& db, const Cut& cut,
              FightWriter::Rewrite rewrite = FightWriter::Rewrite::Never) {
  Transaction transaction(db);  // as the commands write (and one sync, not one a line)
  FightWriter writer(db, rewrite);
  for (size_t i = 0; i < cut.size(); ++i) AddFight(writer, cut[i], static_cast<int64_t>(i + 1));
  const bool changed = writer.Finish();
  NoteStoredCut(db, 18);
  transaction.Commit();
  return changed;
}

// "EventNum:FightKey:Mob:runs" of each stored fight, and "-:key:runs" for runs of no fight.
std::vector<std::string> Stored(Database& db) {
  std::vector<std::string> out;
  Statement fights(db,
                   "SELECT f.EventNum, f.FightKey, f.Mob, (SELECT count(*) FROM TickRuns r WHERE "
                   "r.FightKey = f.FightKey) FROM Fights f ORDER BY f.EventNum");
  while (fights.Step()) {
    out.push_back(std::to_string(fights.ColumnInt(0)) + ":" + std::to_string(fights.ColumnInt(1)) +
                  ":" + std::string(fights.ColumnText(2)) + ":" +
                  std::to_string(fights.ColumnInt(3)));
  }
  Statement orphans(db,
                    "SELECT FightKey, count(*) FROM TickRuns WHERE FightKey NOT IN (SELECT "
                    "FightKey FROM Fights) GROUP BY FightKey");
  while (orphans.Step()) {
    out.push_back("-:" + std::to_string(orphans.ColumnInt(0)) + ":" +
                  std::to_string(orphans.ColumnInt(1)));
  }
  return out;
}

const Cut kThree = {{"a gnoll", 0, 2, 11}, {"a gnoll", 100, 1, 12}, {"a rat", 0, 3, 13}};

TEST(FightWriter, KeepsWhatStaysAndWritesWhatChanged) {
  struct Case {
    const char* what;
    Cut before;
    const char* tamper;  // SQL run between the two cuts, or null
    Cut after;
    bool changed;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"into empty tables every fight is new",
       {},
       nullptr,
       kThree,
       true,
       {"1:1:a gnoll:2", "2:2:a gnoll:1", "3:3:a rat:3"}},
      {"the same cut again writes nothing",
       kThree,
       nullptr,
       kThree,
       false,
       {"1:1:a gnoll:2", "2:2:a gnoll:1", "3:3:a rat:3"}},
      {"a fight with other runs gets a new key, the others keep theirs",
       kThree,
       nullptr,
       {{"a gnoll", 0, 2, 11}, {"a gnoll", 100, 2, 99}, {"a rat", 0, 3, 13}},
       true,
       {"1:1:a gnoll:2", "2:4:a gnoll:2", "3:3:a rat:3"}},
      {"a fight gone takes its runs along, the ones after it are numbered anew",
       kThree,
       nullptr,
       {{"a gnoll", 0, 2, 11}, {"a rat", 0, 3, 13}},
       true,
       {"1:1:a gnoll:2", "2:3:a rat:3"}},
      {"a new fight between stored ones",
       kThree,
       nullptr,
       {{"a gnoll", 0, 2, 11},
        {"a gnoll", 50, 1, 21},
        {"a gnoll", 100, 1, 12},
        {"a rat", 0, 3, 13}},
       true,
       {"1:1:a gnoll:2", "2:4:a gnoll:1", "3:2:a gnoll:1", "4:3:a rat:3"}},
      {"runs lost since the cut are written again for a kept fight",
       kThree,
       "DELETE FROM TickRuns WHERE FightKey = 3 AND TickNum = 2",
       kThree,
       true,
       {"1:1:a gnoll:2", "2:2:a gnoll:1", "3:3:a rat:3"}},
      {"runs of no fight go when no fight is stored",
       {},
       "INSERT INTO TickRuns (FightKey, TickNum, MobKey, FromTime, ToTime) VALUES (7, 1, 1, 0, 0)",
       {{"a rat", 0, 1, 13}},
       true,
       {"1:1:a rat:1"}},
      {"no fights at all: nothing to write", {}, nullptr, {}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    Database db(dir.File("QornDB.mdb"));
    WriteCut(db, c.before);
    if (c.tamper != nullptr) db.ExecuteNative(c.tamper);
    EXPECT_EQ(WriteCut(db, c.after), c.changed);
    EXPECT_EQ(Stored(db), c.expected);
  }
}

TEST(FightWriter, KeepsStoredFightsAsTheyAreUnderTheirNewNumbers) {
  // Stored fights kept a range at a time between fights cut again: their
  // keys and runs stay, their numbers follow the lines before them.
  struct Step {
    int64_t keepFrom = 0, keepTo = 0;  // a range kept, or
    Fight fight{};                     // a fight cut again (when keepTo is 0)
  };
  constexpr int64_t kAll = std::numeric_limits<int64_t>::max();
  struct Case {
    const char* what;
    std::vector<Step> steps;
    bool changed;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"all kept: nothing to write",
       {{1, kAll}},
       false,
       {"1:1:a gnoll:2", "2:2:a gnoll:1", "3:3:a rat:3"}},
      {"a new fight between kept ones moves those after it on",
       {{1, 1}, {0, 0, {"a gnoll", 50, 1, 21}}, {2, kAll}},
       true,
       {"1:1:a gnoll:2", "2:4:a gnoll:1", "3:2:a gnoll:1", "4:3:a rat:3"}},
      {"a fight neither kept nor cut again goes with its runs",
       {{1, 1}, {3, kAll}},
       true,
       {"1:1:a gnoll:2", "2:3:a rat:3"}},
      {"a fight cut again the same keeps its key, one that changed gets a new one",
       {{1, 1}, {0, 0, {"a gnoll", 100, 1, 12}}, {0, 0, {"a gnoll", 130, 2, 31}}, {3, kAll}},
       true,
       {"1:1:a gnoll:2", "2:2:a gnoll:1", "3:4:a gnoll:2", "4:3:a rat:3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    Database db(dir.File("QornDB.mdb"));
    WriteCut(db, kThree);
    FightWriter writer(db);
    for (const Step& step : c.steps) {
      if (step.keepTo != 0) {
        writer.Keep(step.keepFrom, step.keepTo);
      } else {
        AddFight(writer, step.fight, writer.Count() + 1);
      }
    }
    EXPECT_EQ(writer.Finish(), c.changed);
    EXPECT_EQ(Stored(db), c.expected);
  }
}

TEST(FightWriter, WritingTheRestAnewGivesWhatComparingGives) {
  // Enough stored fights for the writer to weigh, after the first thousand
  // or so, whether to write the rest anew: a gnoll's fights a hundred seconds
  // apart, then a rat's. In the cut that follows, a fight that `changed(i)`
  // starts three seconds later (its runs elsewhere) with another signature.
  constexpr int kLater = 3;
  auto cut = [](auto changed) {
    Cut out;
    for (int i = 0; i < 3000; ++i) {
      const bool moved = changed(i);
      out.push_back({i < 2500 ? "a gnoll" : "a rat", 100 * i + (moved ? kLater : 0), 1 + i % 2,
                     static_cast<uint64_t>(i) + (moved ? 100000 : 1)});
    }
    return out;
  };
  const Cut stored = cut([](int) { return false; });
  const Cut mostChange = cut([](int i) { return i != 5; });
  // A run of no fight (the tables edited by hand) where the cut puts the
  // first run of the rat's fight 2900.
  auto orphanRun = [](Database& db) {
    Statement run(db,
                  "INSERT INTO TickRuns (FightKey, TickNum, MobKey, FromTime, ToTime) VALUES "
                  "(99999, 1, 2, ?, ?)");
    const DateTime at = test::FixtureTime(100 * 2900 + kLater);
    run.Bind(1, at).Bind(2, at).Step();
  };
  struct Case {
    const char* what;
    Cut after;
    std::function<void(Database&)> tamper;
  };
  const Case cases[] = {
      {"most fights change (one early one stays)", mostChange, nullptr},
      {"a run of no fight at the place of a new run goes", mostChange, orphanRun},
      {"few fights change", cut([](int i) { return i % 10 == 0; }), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    Database compared(dir.File("compared.mdb"));
    Database rewritten(dir.File("rewritten.mdb"));
    for (Database* db : {&compared, &rewritten}) {
      WriteCut(*db, stored);
      if (c.tamper) c.tamper(*db);
    }
    EXPECT_TRUE(WriteCut(compared, c.after));
    EXPECT_TRUE(WriteCut(rewritten, c.after, FightWriter::Rewrite::WhenMostChange));
    EXPECT_EQ(Stored(rewritten), Stored(compared));
    EXPECT_EQ(QueryInt(rewritten,
                       "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = "
                       "'TickRuns'"),
              2);
    Statement check(rewritten, "PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.ColumnText(0), "ok");
  }
}

}  // namespace
}  // namespace qorn
