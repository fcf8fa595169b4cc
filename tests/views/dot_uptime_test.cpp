#include "views/dot_uptime.h"

#include <gtest/gtest.h>

#include "store/stored_fights.h"
#include "support/list_lines.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

struct FiguresCase {
  const char* name;
  std::vector<int64_t> hits;
  int64_t seconds;
  UptimeFigures expected;  // Hits, Covered, FirstHit, Drops, LongestGap, LostTicks
};

TEST(MeasureUptime, TableOfHitPatterns) {
  const std::vector<FiguresCase> cases = {
      {"kept up from the pull to the kill", {0, 6, 12, 18, 24, 30}, 30, {6, 30, 0, 0, 6, 0}},
      {"applied 12 s late", {12, 18, 24, 30}, 30, {4, 24, 12, 0, 6, 0}},
      {"dropped once for 30 s", {0, 6, 36, 42}, 42, {4, 18, 0, 1, 30, 4}},
      {"a second of jitter either way is no drop", {0, 7, 12, 21, 26}, 26, {5, 22, 0, 0, 9, 0}},
      {"one hit: no gap", {20}, 40, {1, 6, 20, 0, -1, 0}},
      {"a hit near the start covers only the fight", {2, 8}, 8, {2, 8, 2, 0, 6, 0}},
      {"lost ticks round halves up", {0, 10, 25, 36}, 36, {4, 18, 0, 3, 15, 4}},
      {"two hits in one second", {5, 5, 11}, 11, {3, 11, 5, 0, 6, 0}},
      {"a fight of 0 seconds", {0}, 0, {1, 0, 0, 0, -1, 0}},
      {"no hits", {}, 30, {0, 0, 0, 0, -1, 0}},
  };
  for (const FiguresCase& c : cases) {
    const UptimeFigures f = MeasureUptime(c.hits, c.seconds);
    const UptimeFigures& e = c.expected;
    EXPECT_EQ(f.Hits, e.Hits) << c.name;
    EXPECT_EQ(f.Covered, e.Covered) << c.name;
    EXPECT_EQ(f.FirstHit, e.FirstHit) << c.name;
    EXPECT_EQ(f.Drops, e.Drops) << c.name;
    EXPECT_EQ(f.LongestGap, e.LongestGap) << c.name;
    EXPECT_EQ(f.LostTicks, e.LostTicks) << c.name;
  }
}

TEST(UptimeSpans, TickingJoinsTouchingTicksAndDropsMarkLongGaps) {
  const std::vector<int64_t> hits = {2, 8, 14, 30, 36, 39, 60};
  EXPECT_EQ(TickingSpans(hits, 58), (std::vector<SecondSpan>{{0, 14}, {24, 39}, {52, 58}}));
  EXPECT_EQ(DropSpans(hits), (std::vector<SecondSpan>{{14, 30}, {39, 60}}));
}

using test::Joined;

// Event 1, "a gnoll" (also "A gnoll"), seconds 0 to 60: Plague. kept up
// (one hit spelled "PLAGUE."), Dread Pyre. on late and dropped for 30 s,
// Splurt. with a second of jitter, Funeral Pyre of Kelador. once; a direct
// hit opens the fight. Event 2, "a gnoll" again, seconds 500 to 506: Plague.
// twice, none of it in event 1. Event 3, "a rat": one hit, a fight of 0 s.
class DotUptimeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    path_ = dir_->File("QornDB.mdb");
    std::vector<test::FixtureRow> rows = {{"a gnoll", 0, 900, "DD", "Ignite Bones"}};
    for (int s = 0; s <= 60; s += 6) {
      rows.push_back(
          {s == 30 ? "A gnoll" : "a gnoll", s, 100, "Dot", s == 36 ? "PLAGUE." : "Plague."});
    }
    for (int s : {12, 18, 48, 54, 60}) rows.push_back({"a gnoll", s, 200, "Dot", "Dread Pyre."});
    for (int s : {30, 39, 44}) rows.push_back({"a gnoll", s, 50, "Dot", "Splurt."});
    rows.push_back({"a gnoll", 42, 300, "Dot", "Funeral Pyre of Kelador."});
    rows.push_back({"a gnoll", 500, 900, "DD", "Ignite Bones"});
    rows.push_back({"a gnoll", 500, 100, "Dot", "Plague."});
    rows.push_back({"a gnoll", 506, 100, "Dot", "Plague."});
    rows.push_back({"a rat", 1000, 50, "Dot", "Splurt."});
    test::WriteParseRows(path_, rows);
    NullProgress progress;
    RenumberStoredParse(path_, 120, progress);
  }
  static void TearDownTestSuite() { delete dir_; }

  static test::TempDir* dir_;
  static std::string path_;
};
test::TempDir* DotUptimeTest::dir_ = nullptr;
std::string DotUptimeTest::path_;

TEST_F(DotUptimeTest, LinesOfEachScope) {
  struct ScopeCase {
    const char* name;
    BuffScope scope;
    std::vector<std::string> lines;
  };
  const std::vector<ScopeCase> cases = {
      {"kept up, late and dropped, jitter, one hit; a mob and a spell in two cases",
       BuffScope::Fight(1),
       {
           "Dread Pyre.\t5\t50.00%\t12\t1\t30\t4",
           "Funeral Pyre of Kelador.\t1\t10.00%\t42\t0\t-\t0",
           "Plague.\t11\t100.00%\t0\t0\t6\t0",
           "Splurt.\t3\t28.33%\t30\t0\t9\t0",
           "All DoTs\t20\t100.00%\t0\t0\t6\t0",
       }},
      {"the same mob's later fight: only its own hits",
       BuffScope::Fight(2),
       {"Plague.\t2\t100.00%\t0\t0\t6\t0", "All DoTs\t2\t100.00%\t0\t0\t6\t0"}},
      {"a fight of 0 seconds",
       BuffScope::Fight(3),
       {"Splurt.\t1\t-\t0\t0\t-\t0", "All DoTs\t1\t-\t0\t0\t-\t0"}},
      {"no such fight", BuffScope::Fight(9), {}},
      {"the whole log: each spell over the fights it hit in",
       BuffScope::AllFights(),
       {
           "Dread Pyre.\t1\t5\t50.00%\t1.00\t12.00",
           "Funeral Pyre of Kelador.\t1\t1\t10.00%\t0.00\t42.00",
           "Plague.\t2\t13\t100.00%\t0.00\t0.00",
           "Splurt.\t2\t4\t28.33%\t0.00\t15.00",
           "All DoTs\t3\t23\t100.00%\t0.00\t0.00",
       }},
  };
  for (const ScopeCase& c : cases) {
    EXPECT_EQ(Joined(DotUptime(path_, c.scope)), c.lines) << c.name;
  }
}

TEST_F(DotUptimeTest, LanesInTheListsOrder) {
  const FightDots dots = ReadFightDots(path_, 1);
  EXPECT_EQ(dots.Seconds, 60);
  std::vector<std::string> spells;
  for (const DotLane& lane : dots.Lanes) spells.push_back(lane.Spell);
  EXPECT_EQ(spells, (std::vector<std::string>{"Dread Pyre.", "Funeral Pyre of Kelador.", "Plague.",
                                              "Splurt."}));
  EXPECT_EQ(dots.Lanes[0].Hits, (std::vector<int64_t>{12, 18, 48, 54, 60}));
  EXPECT_EQ(Joined(UptimeLanesText(dots)),
            (std::vector<std::string>{"Spell\tTicking\tDropped", "Dread Pyre.\t6-18 42-60\t18-48",
                                      "Funeral Pyre of Kelador.\t36-42\t", "Plague.\t0-60\t",
                                      "Splurt.\t24-30 33-44\t"}));
}

}  // namespace
}  // namespace qorn
