#include "store/stored_fights.h"

#include <gtest/gtest.h>

#include "store/database.h"
#include "store/event_overview.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

using test::FixtureRow;

struct EventCase {
  const char* what;
  std::vector<FixtureRow> rows;
  std::vector<std::string> expected;  // "EventNum/TickNum" per row, in RecNum order
  int16_t timer = 18;
};

TEST(GetPreviousOfStoredRows, CutsEventsAndNumbersTicks) {
  const EventCase cases[] = {
      {"a gap equal to the timer stays in the event, one second more splits",
       {{"a gnoll", 0, 10}, {"a gnoll", 18, 10}, {"a gnoll", 37, 10}},
       {"1/1", "1/4", "2/1"}},
      {"mobs that differ only in case are one mob and sort together",
       {{"A gnoll", 0, 10}, {"a gnoll", 6, 10, "DD", "hit"}, {"A gnoll", 12, 10}},
       {"1/1", "1/2", "1/3"}},
      {"events are numbered by mob, then time, whatever the order in time",
       {{"a rat", 0, 10}, {"a gnoll", 5, 10}, {"a rat", 100, 10}},
       {"2/1", "1/1", "3/1"}},
      {"overlapping fights of two mobs are separate events",
       {{"a rat", 0, 1}, {"a gnoll", 1, 1}, {"a rat", 6, 1}, {"a gnoll", 7, 1}},
       {"2/1", "1/1", "2/2", "1/2"}},
      {"rows with an empty mob come first and take event 1, and so does the next row",
       {{"", 500, 1, "Epic/Swarm", "Guardian of Blood Strike"},
        {"a gnoll", 0, 1},
        {"a gnoll", 6, 1}},
       {"1/84", "1/1", "1/2"}},
      {"an event in one second is all tick 1",
       {{"a gnoll", 3, 1, "Pet", "bites"}, {"a gnoll", 3, 1}, {"a gnoll", 3, 1, "DD", "hit"}},
       {"1/1", "1/1", "1/1"}},
      {"without DoT ticks, ticks count from the first row",
       {{"a gnoll", 0, 1, "Pet", "bites"},
        {"a gnoll", 5, 1, "Pet", "bites"},
        {"a gnoll", 6, 1, "DD", "hit"},
        {"a gnoll", 13, 1, "Pet", "bites"}},
       {"1/1", "1/1", "1/2", "1/3"}},
      {"the shift: 14 s and 3 s before the first DoT tick, it, and 20 s after give 1, 3, 4, 7",
       {{"a gnoll", 0, 1, "Pet", "bites"},
        {"a gnoll", 11, 1, "DD", "hit"},
        {"a gnoll", 14, 1},
        {"a gnoll", 34, 1, "Pet", "bites"}},
       {"1/1", "1/3", "1/4", "1/7"},
       30},
      {"a DoT tick is one whatever the case of its type, as the column compares it",
       {{"a gnoll", 0, 1, "Pet", "bites"},
        {"a gnoll", 11, 1, "DD", "hit"},
        {"a gnoll", 14, 1, "DOT"},
        {"a gnoll", 34, 1, "Pet", "bites"}},
       {"1/1", "1/3", "1/4", "1/7"},
       30},
      {"an event whose first row is its first DoT tick has no shift",
       {{"a gnoll", 0, 1}, {"a gnoll", 5, 1, "Pet", "bites"}, {"a gnoll", 6, 1}},
       {"1/1", "1/1", "1/2"}},
      {"a longer timer joins what a shorter one splits",
       {{"a gnoll", 0, 1}, {"a gnoll", 40, 1}},
       {"1/1", "1/7"},
       60},
  };
  for (const EventCase& c : cases) {
    test::TempDir dir;
    const std::string db = dir.File("QornDB.mdb");
    test::WriteParseRows(db, c.rows);
    NullProgress progress;
    RenumberStoredParse(db, c.timer, progress);
    EXPECT_EQ(test::EventsAndTicks(db), c.expected) << c.what;
  }
}

TEST(GetPreviousOfStoredRows, MarksCritsAtTwiceTheNormalTick) {
  // Splurt. does 96 a tick: 192 is a crit, 191 is not; an unknown spell never is.
  test::TempDir dir;
  const std::string db = dir.File("QornDB.mdb");
  {
    // A normal damage beyond 16 bits is compared in full.
    Database d(db);
    d.ExecuteNative("INSERT INTO SpellDat VALUES ('Big Spell.', 40000, 10)");
  }
  test::WriteParseRows(db, {{"a gnoll", 0, 192},
                            {"a gnoll", 6, 191},
                            {"a gnoll", 12, 5000, "Dot", "Made Up Spell."},
                            {"a gnoll", 18, 5000, "Dot", "splurt."},  // names compare exactly
                            {"a gnoll", 24, 5000, "DD", "Splurt."},
                            {"a gnoll", 30, 79999, "Dot", "Big Spell."},
                            {"a gnoll", 36, 80000, "Dot", "Big Spell."}});
  NullProgress progress;
  const EventBuildResult result = RenumberStoredParse(db, 18, progress).Events;
  Database d(db);
  Statement crits(d, "SELECT Crit FROM ParseData ORDER BY RecNum");
  std::vector<int64_t> flags;
  while (crits.Step()) flags.push_back(crits.ColumnInt(0));
  EXPECT_EQ(flags, (std::vector<int64_t>{-1, 0, 0, 0, 0, 0, -1}));
  EXPECT_EQ(result.EventCount, 1);
  ASSERT_FALSE(result.SpellDatRecs.empty());
  EXPECT_EQ(result.SpellDatRecs.front().Spell, "Disease Cloud.");
  EXPECT_EQ(result.SpellDatRecs.back().Dmg, 40000);
}

TEST(GetPreviousOfStoredRows, EmptyTablesGiveNoEvents) {
  test::TempDir dir;
  const std::string db = dir.File("QornDB.mdb");
  {
    Database d(db);
    d.ExecuteNative("DELETE FROM SpellDat");
  }
  NullProgress progress;
  const EventBuildResult result = RenumberStoredParse(db, 18, progress).Events;
  EXPECT_EQ(result.EventCount, 0);
  EXPECT_TRUE(result.SpellDatRecs.empty());
}

TEST(GetPreviousOfStoredRows, RowsKeepTheirRecNumsWhateverTheyAre) {
  // Rows whose RecNums are not 0 to n-1 (a table edited by hand) are cut and
  // numbered as before, and keep their RecNums, out to the extremes of 64 bits.
  struct Case {
    const char* recNums;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"1000 - RecNum * 7", {"979:1/2", "986:3/1", "993:1/1", "1000:2/1"}},
      {"CASE RecNum WHEN 0 THEN -9223372036854775807 - 1 WHEN 1 THEN -1 WHEN 2 THEN 0 "
       "ELSE 9223372036854775807 END",
       {"-9223372036854775808:2/1", "-1:1/1", "0:3/1", "9223372036854775807:1/2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.recNums);
    test::TempDir dir;
    const std::string db = dir.File("QornDB.mdb");
    test::WriteParseRows(db, {{"a rat", 0, 10},
                              {"a gnoll", 5, 10},
                              {"a rat", 100, 10},
                              {"a gnoll", 11, 10, "Pet", "bites"}});
    Database(db).ExecuteNative("UPDATE ParseData SET RecNum = " + std::string(c.recNums));
    NullProgress progress;
    RenumberStoredParse(db, 18, progress);
    Database d(db);
    Statement rows(d, "SELECT RecNum, EventNum, TickNum FROM ParseData ORDER BY RecNum");
    std::vector<std::string> got;
    while (rows.Step()) {
      got.push_back(std::to_string(rows.ColumnInt(0)) + ":" + std::to_string(rows.ColumnInt(1)) +
                    "/" + std::to_string(rows.ColumnInt(2)));
    }
    EXPECT_EQ(got, c.want);
  }
}

TEST(GetPreviousOfStoredRows, ExtremeTimesStayInRange) {
  // Two rows of an empty mob dated 1447 and 2025 are one event, and so is the
  // row after them: tick numbers past 32 bits get the largest there is. A
  // hand-edited DTime of 1e300 counts as the last second of 9999.
  test::TempDir dir;
  const std::string db = dir.File("QornDB.mdb");
  test::WriteParseRows(db, {{"", 0, 1}, {"", 0, 1}, {"a gnoll", 0, 5}, {"a gnoll", 6, 5}});
  {
    Database d(db);
    Statement when(d, "UPDATE ParseData SET DTime = ? WHERE RecNum = ?");
    const double times[] = {*MakeDateTime({1447, 12, 5, 3, 4, 53}),
                            *MakeDateTime({2025, 12, 5, 3, 2, 24}), 1e300};
    for (int64_t recNum : {0, 1, 3}) {
      when.Bind(1, times[recNum == 3 ? 2 : recNum]).Bind(2, recNum);
      when.Step();
      when.Reset();
    }
  }
  NullProgress progress;
  EXPECT_EQ(RenumberStoredParse(db, 18, progress).Events.EventCount, 2);
  EXPECT_EQ(test::EventsAndTicks(db),
            (std::vector<std::string>{"1/1", "1/2147483647", "1/2147483647", "2/1"}));
  const Overview overview = FillEventList(db, progress);
  ASSERT_EQ(overview.Rows.size(), 2u);
  EXPECT_EQ(overview.Rows[0].Cells()[4], "12/5/1447 3:04:53 AM");
  EXPECT_EQ(overview.Rows[1].Cells()[3], "1");
  EXPECT_EQ(overview.Rows[1].Cells()[4], "12/31/9999 11:59:59 PM");
  EXPECT_EQ(SecondsBetween(*MakeDateTime({1447, 12, 5, 3, 4, 53}),
                           *MakeDateTime({2025, 12, 5, 3, 2, 24})),
            18239990251LL);
  EXPECT_EQ(SecondsBetween(1e300, -1e300), SecondsBetween(*MakeDateTime({9999, 12, 31, 23, 59, 59}),
                                                          *MakeDateTime({100, 1, 1, 0, 0, 0})));
}

TEST(CompareNoCase, FoldsAsciiLettersOnly) {
  EXPECT_EQ(CompareNoCase("A gnoll", "a gnoll"), 0);
  EXPECT_LT(CompareNoCase("a gnoll", "a gnoll pup"), 0);
  EXPECT_LT(CompareNoCase("", "a"), 0);
  EXPECT_GT(CompareNoCase("b", "A"), 0);
  EXPECT_GT(CompareNoCase("Z", "_"), 0);                // folded to 'z', which comes after '_'
  EXPECT_NE(CompareNoCase("\xC3\x89", "\xC3\xA9"), 0);  // only ASCII letters fold
}

}  // namespace
}  // namespace qorn
