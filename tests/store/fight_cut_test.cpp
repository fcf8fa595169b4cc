// The cut-and-tick rule on rows in memory: fights by mob and quiet gap, tick
// numbers, and the fights' runs and lines as FightCutter hands them on.
#include "store/fight_cut.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "store/mob_identity.h"
#include "store/mob_order.h"
#include "store/second_runs.h"
#include "store/stored_fights.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

struct Row {
  const char* mob;
  int second;
  bool dot = true;
  int64_t dmg = 10;
};

// The rows made EventRows (RecNum in the order given) and their mob texts.
struct Rows {
  MobTexts mobs;
  std::vector<EventRow> rows;
  explicit Rows(const std::vector<Row>& given) {
    for (size_t i = 0; i < given.size(); ++i) {
      EventRow r;
      r.When = test::FixtureTime(given[i].second);
      r.RecNum = static_cast<int64_t>(i);
      r.Dmg = given[i].dmg;
      r.Dot = given[i].dot;
      r.Mob = mobs.Index(given[i].mob);
      rows.push_back(r);
    }
  }
};

// "EventNum/TickNum" of each row, in the order given.
std::vector<std::string> EventsAndTicks(const std::vector<Row>& given, int16_t timer) {
  std::vector<std::string> out(given.size());
  Rows in(given);
  const std::vector<uint32_t> rank = RankMobs(in.mobs.Texts());
  std::vector<EventRow> sorted = in.rows;
  std::sort(sorted.begin(), sorted.end(), [&](const EventRow& a, const EventRow& b) {
    if (rank[a.Mob] != rank[b.Mob]) return rank[a.Mob] < rank[b.Mob];
    return a.When != b.When ? a.When < b.When : a.RecNum < b.RecNum;
  });
  NullProgress quiet;
  NumberSortedEvents(sorted, in.mobs.Texts(), rank, timer, quiet);
  for (const EventRow& r : sorted) {
    out[static_cast<size_t>(r.RecNum)] =
        std::to_string(r.EventNum) + "/" + std::to_string(r.TickNum);
  }
  return out;
}

TEST(FightCut, CutsByMobAndQuietGapAndNumbersTicks) {
  struct Case {
    const char* what;
    std::vector<Row> rows;
    std::vector<std::string> expected;
    int16_t timer = 18;
  };
  const Case cases[] = {
      {"a gap equal to the timer stays in the fight, one second more splits",
       {{"a gnoll", 0}, {"a gnoll", 18}, {"a gnoll", 37}},
       {"1/1", "1/4", "2/1"}},
      {"a longer timer joins what a shorter one splits",
       {{"a gnoll", 0}, {"a gnoll", 40}},
       {"1/1", "1/7"},
       60},
      {"texts that differ only in case are one mob",
       {{"A gnoll", 0}, {"a gnoll", 6, false}, {"A gnoll", 12}},
       {"1/1", "1/2", "1/3"}},
      {"fights are numbered by mob, then time",
       {{"a rat", 0}, {"a gnoll", 5}, {"a rat", 100}},
       {"2/1", "1/1", "3/1"}},
      {"overlapping fights of two mobs stay apart",
       {{"a rat", 0}, {"a gnoll", 1}, {"a rat", 6}, {"a gnoll", 7}},
       {"2/1", "1/1", "2/2", "1/2"}},
      {"the empty mob takes the next row into its fight, whatever its mob and gap",
       {{"", 500, false}, {"a gnoll", 0}, {"a gnoll", 6}},
       {"1/84", "1/1", "1/2"}},
      {"without a DoT tick, the empty mob's next row counts on the slots of its first row",
       {{"", 100, false}, {"a gnoll", 93, false}},
       {"1/1", "1/-1"}},
      {"the empty mob's rows before its first DoT tick shift the fight, the next row may "
       "fall below 1",
       {{"", 10, false}, {"", 50}, {"a gnoll", 0, false}},
       {"1/1", "1/8", "1/-1"}},
      {"first and last row of the empty mob's fight in one second: all tick 1",
       {{"", 50, false}, {"", 100, false}, {"a gnoll", 50}},
       {"1/1", "1/1", "1/1"}},
      {"a fight within one second is all tick 1",
       {{"a gnoll", 3, false}, {"a gnoll", 3}, {"a gnoll", 3, false}},
       {"1/1", "1/1", "1/1"}},
      {"without a DoT tick, ticks count from the first row",
       {{"a gnoll", 0, false}, {"a gnoll", 5, false}, {"a gnoll", 6, false}, {"a gnoll", 13, false}},
       {"1/1", "1/1", "1/2", "1/3"}},
      {"ticks anchor at the first DoT tick, rows before it shifted to start at 1",
       {{"a gnoll", 0, false}, {"a gnoll", 11, false}, {"a gnoll", 14}, {"a gnoll", 34, false}},
       {"1/1", "1/3", "1/4", "1/7"},
       30},
      {"a fight whose first row is its first DoT tick has no shift",
       {{"a gnoll", 0}, {"a gnoll", 5, false}, {"a gnoll", 6}},
       {"1/1", "1/1", "1/2"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EventsAndTicks(c.rows, c.timer), c.expected) << c.what;
    // ParseData numbers the stored rows by the tick runs the cut wrote.
    test::TempDir dir;
    const std::string db = dir.File("QornDB.mdb");
    std::vector<test::FixtureRow> rows;
    for (const Row& r : c.rows) {
      rows.push_back({r.mob, r.second, static_cast<int>(r.dmg), r.dot ? "Dot" : "DD"});
    }
    test::WriteParseRows(db, rows);
    NullProgress progress;
    RenumberStoredParse(db, c.timer, progress);
    EXPECT_EQ(test::EventsAndTicks(db), c.expected) << c.what << ", stored";
  }
}

// Each fight FightCutter hands on: "N mob total first-last: key:tick@base:from-to
// ...", the times as seconds of the fixture, "@base" left out where every row
// of the run is in its tick.
std::vector<std::string> CutFights(const std::vector<Row>& given, int16_t timer,
                                   std::vector<uint64_t>* signatures = nullptr) {
  // The mobs' seconds as Get Log makes them, given to the cutter in
  // SortMobTime's order.
  MobIdentity identity;
  SecondRuns runs(".", "QornDB.mdb");
  for (size_t i = 0; i < given.size(); ++i) {
    const MobIdentity::Found of = identity.Of(given[i].mob);
    runs.Add(of.Mob, of.Spelling, test::FixtureTime(given[i].second), static_cast<int64_t>(i),
             given[i].dmg, given[i].dot);
  }
  std::vector<MobSeconds> mobs;
  ForEachMobSeconds(runs, [&](uint32_t mob, std::vector<EventRow>& seconds) {
    mobs.push_back({identity.KeyOf(mob), identity.Mobs()[mob].Spellings, std::move(seconds)});
  });
  std::sort(mobs.begin(), mobs.end(), [](const MobSeconds& a, const MobSeconds& b) {
    return CompareNoCase(a.Texts.front(), b.Texts.front()) < 0;
  });
  auto second = [](DateTime t) { return std::to_string(SecondsBetween(test::FixtureTime(0), t)); };
  std::vector<std::string> out;
  FightCutter cutter(timer, [&](OverviewRow& line, const CutFight& fight) {
    std::string text = std::to_string(line.EventNum) + " " + line.Mob + " " +
                       std::to_string(line.Total) + " " + second(line.First) + "-" +
                       second(line.Last) + ":";
    for (const TickRun& r : fight.Runs) {
      text += " " + std::to_string(r.MobKey) + ":" + std::to_string(r.TickNum);
      if (r.BaseSecond) {
        text += "@" + std::to_string(*r.BaseSecond - WholeSeconds(test::FixtureTime(0)));
      }
      text += ":" + second(r.From) + "-" + second(r.To);
    }
    out.push_back(text);
    if (signatures != nullptr) signatures->push_back(fight.Signature);
  });
  for (MobSeconds& m : mobs) cutter.Add(m);
  const int32_t count = cutter.Finish();  // hands on a fight still held
  EXPECT_EQ(count, static_cast<int32_t>(out.size()));
  return out;
}

TEST(FightCut, TheCutterGivesEachFightsLineAndTickRuns) {
  struct Case {
    const char* what;
    std::vector<Row> rows;
    std::vector<std::string> expected;
    int16_t timer = 18;
  };
  const Case cases[] = {
      {"a mob's rows in one run from the anchor's slot; a fight within a second is all tick 1",
       {{"a gnoll", 0}, {"a gnoll", 0}, {"a gnoll", 3}, {"a gnoll", 6}, {"a gnoll", 40}},
       {"1 a gnoll 40 0-6: 1:1@0:0-6", "2 a gnoll 10 40-40: 1:1:40-40"}},
      {"mobs in text order, each with its key; a fight's line keeps the first spelling",
       {{"a rat", 0}, {"A gnoll", 2}, {"a gnoll", 8}},
       {"1 A gnoll 20 2-8: 2:1@2:2-8", "2 a rat 10 0-0: 1:1:0-0"}},
      {"rows before the first DoT tick are a run of their own, on the slots counted back",
       {{"a gnoll", 0, false}, {"a gnoll", 11, false}, {"a gnoll", 14}, {"a gnoll", 34, false}},
       {"1 a gnoll 40 0-34: 1:1@-3:0-11 1:4@14:14-34"},
       30},
      {"the empty mob's fight takes the next mob's first second, each run under its mob",
       {{"", 100, false}, {"a gnoll", 0}, {"a gnoll", 30}},
       {"1  20 0-100: 1:17@96:100-100 2:1@0:0-0", "2 a gnoll 10 30-30: 2:1:30-30"}},
      {"without a DoT tick, the slots before the first row run on as after it",
       {{"", 100, false}, {"a gnoll", 93, false}},
       {"1  20 93-100: 1:1@100:100-100 2:-1@88:93-93"}},
      {"the empty mob alone is cut at the end", {{"", 5}, {"", 7}}, {"1  20 5-7: 1:1@5:5-7"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CutFights(c.rows, c.timer), c.expected) << c.what;
  }
}

TEST(FightCut, AFightsSignatureFollowsItsRunsOnly) {
  std::vector<uint64_t> a, b, c;
  CutFights({{"a gnoll", 0}, {"a gnoll", 6}}, 18, &a);
  CutFights({{"a gnoll", 0, true, 99}, {"a gnoll", 6}}, 18, &b);  // other damage, same runs
  CutFights({{"a gnoll", 0}, {"a gnoll", 7}}, 18, &c);            // the second run moved
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

}  // namespace
}  // namespace qorn
