#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "common/error.h"
#include "export/html_tick_graph.h"
#include "store/database.h"
#include "store/stored_fights.h"
#include "store/event_overview.h"
#include "support/parse_db.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"
#include "views/buff_value.h"
#include "views/damage_detail.h"
#include "views/dot_breakdown.h"
#include "views/dot_ticks.h"
#include "views/tick_graphs.h"

namespace qorn {
namespace {

using Rows = std::vector<ListRow>;

class FightViews : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<test::FixtureRow> rows;
    // Event 1, a gnoll, seconds 0 to 66: twelve Splurt ticks, three of them
    // crits (200 is at least twice Splurt's 96), two Dread Pyre hits, two
    // pets, a swarm pet, two direct-damage hits.
    for (int k = 0; k < 12; ++k) {
      rows.push_back({"a gnoll", 6 * k, k == 2 || k == 5 || k == 8 ? 200 : 96, "Dot", "Splurt."});
    }
    rows.push_back({"a gnoll", 1, 956, "Dot", "Dread Pyre.", /*cpower=*/true});
    rows.push_back({"a gnoll", 7, 956, "Dot", "Dread Pyre."});
    rows.push_back({"a gnoll", 2, 20, "Pet", "bites"});
    rows.push_back({"a gnoll", 8, 30, "Pet", "claws", false, false, /*inten=*/true});
    rows.push_back({"a gnoll", 14, 25, "Pet", "bites"});
    rows.push_back({"a gnoll", 3, 7, "Epic/Swarm", "Guardian"});
    rows.push_back({"a gnoll", 20, 1000, "DD", "Ignite Bones"});
    rows.push_back({"a gnoll", 21, 900, "DD", "Ignite Bones", false, /*coa=*/true});
    // Event 2, a rat: two pet hits in one second, no DoT, no direct damage.
    rows.push_back({"a rat", 200, 5, "Pet", "bites"});
    rows.push_back({"a rat", 200, 5, "Pet", "bites"});
    // Event 3, a snake, two seconds: one DoT hit, no pets; two hits that a
    // 32-bit sum overflows.
    rows.push_back({"a snake", 400, 96, "Dot", "Splurt."});
    rows.push_back({"a snake", 401, 2000000000, "DD", "Ignite Bones"});
    rows.push_back({"a snake", 402, 2000000000, "DD", "Ignite Bones"});
    test::WriteParseRows(path_, rows);
    test::WriteCasts(path_, {
                                {-10, 0, "Splurt."},  // the cast that started it: before the window
                                {0, 0, "Splurt."},    // the window holds its first second
                                {30, 0, "Ignite Blood."},
                                {31, 1, "Dark Plague."},
                                {32, 0, "Not A Spell."},  // not in the spell table
                                {40, 0, "Splurt."},
                                {45, 1, "Splurt."},
                                {50, 2, "Splurt."},
                                {55, 3, "Splurt."},
                                {66, 0, "Splurt."},  // and its last
                                {70, 0, "Splurt."},
                                {200, 0, "Ignite Blood."},
                            });
    NullProgress progress;
    spells_ = RenumberStoredParse(path_, 18, progress).Events.SpellDatRecs;
  }

  test::TempDir dir_;
  std::string path_ = dir_.File("QornDB.mdb");
  std::vector<SpellDatRec> spells_;
};

TEST_F(FightViews, DotBreakdownShowsEveryDotHitAsStored) {
  const Rows rows = FillDotBreakdown(path_, 1);
  ASSERT_EQ(rows.size(), 14u);
  EXPECT_EQ(rows[0], (ListRow{"1", "a gnoll", "Splurt.", "96", "0", "0", "0", "0"}));
  EXPECT_EQ(rows[1], (ListRow{"1", "a gnoll", "Dread Pyre.", "956", "0", "-1", "0", "0"}));
  EXPECT_EQ(rows[4], (ListRow{"3", "a gnoll", "Splurt.", "200", "-1", "0", "0", "0"}));
  // A fight of pets only, and a number no fight has, show nothing.
  EXPECT_TRUE(FillDotBreakdown(path_, 2).empty());
  EXPECT_TRUE(FillDotBreakdown(path_, 99).empty());
}

TEST_F(FightViews, DotTicksSumEveryHitOfATickWithItsBuffs) {
  const Rows rows = FillDotTicks(path_, 1, "a gnoll");
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[0], (ListRow{"1", "a gnoll", "1079", "-1", "0", "0"}));  // pet, swarm pet too
  EXPECT_EQ(rows[1], (ListRow{"2", "a gnoll", "1082", "0", "0", "-1"}));
  EXPECT_EQ(rows[2], (ListRow{"3", "a gnoll", "225", "0", "0", "0"}));
  EXPECT_EQ(rows[3], (ListRow{"4", "a gnoll", "1996", "0", "-1", "0"}));  // direct damage
  EXPECT_EQ(rows[11], (ListRow{"12", "a gnoll", "96", "0", "0", "0"}));
  // The mob is the text given, the same on every line.
  EXPECT_EQ(FillDotTicks(path_, 2, "Rat")[0], (ListRow{"1", "Rat", "10", "0", "0", "0"}));
}

TEST_F(FightViews, DotTicksAreTheEnginesSumsPerTick) {
  // The list sums a row at a time what "... GROUP BY TickNum" sums, also in a
  // file edited by hand whose values are no whole numbers.
  const std::string good = test::ReadFile(path_);
  const char* edits[] = {
      "",
      "UPDATE DamageRows SET Dmg = 2.5 WHERE RecNum = 0",
      "UPDATE DamageRows SET Cpower = 'x', CoA = NULL WHERE RecNum = 1",
  };
  for (const char* edit : edits) {
    SCOPED_TRACE(edit);
    test::WriteFile(path_, good);
    Rows expected;
    {
      Database db(path_);
      db.ExecuteNative(edit);
      Recordset rs(db,
                   "SELECT TickNum, Sum([dmg]), sum(Cpower), sum(CoA), sum(inten) From ParseData "
                   "Where EventNum = 1 GROUP BY TickNum;");
      for (; !rs.EndOfFile(); rs.MoveNext()) {
        ListRow row{rs.Field(0).AsText(), "a gnoll", rs.Field(1).AsText()};
        for (int i = 2; i <= 4; ++i) row.push_back(rs.Field(i).AsDouble() < 0 ? "-1" : "0");
        expected.push_back(row);
      }
    }
    EXPECT_EQ(FillDotTicks(path_, 1, "a gnoll"), expected);
  }
}

TEST_F(FightViews, DetailOfAFightWithEverySection) {
  const Rows expected = {
      {"DoTs"},
      {"  Dread Pyre.", "1,912", "28.97", "956", "956", "956.00", "2", "0", "0 (00.00%)", "0", "0",
       "0", "0"},
      {"  Splurt.", "1,464", "22.18", "200", "96", "122.00", "12", "2.06", "3 (25.00%)", "3", "1",
       "1", "1"},
      {"  Ignite Blood.", "0", "0.00", "0", "0", "0.00", "0", "0.00", "0", "1", "0", "0", "0"},
      {"  Dark Plague.", "0", "0.00", "0", "0", "0.00", "0", "0", "0", "0", "1", "0", "0"},
      {" TOTALS:", "3,376", "51.15", "956", "96", "241.00", "14", "", "3 (21.43%)", "4", "2", "1",
       "1"},
      {"Direct Damage"},
      {"  DD", "1,900", "28.79", "1000", "900", "950.00", "2"},
      {"Pets"},
      {"  Pet", "75", "1.14", "30", "20", "25.00", "3"},
      {"      -bites", "45", "0.68", "25", "20", "22.50", "2"},
      {"      -claws", "30", "0.45", "30", "30", "30.00", "1"},
      {"  Epic/Swarm Pets", "7", "0.11", "7", "7", "7.00", "1"},
      {"      -Guardian", "7", "0.11", "7", "7", "7.00", "1"},
      {"Total Damage", "5,358", "81.18"},
  };
  EXPECT_EQ(ShowAllDamageDetail(path_, 1, spells_, true), expected);

  // Without pet detail the "      -" lines go; nothing else changes.
  Rows withoutPets = expected;
  std::erase_if(withoutPets, [](const ListRow& r) { return r[0].starts_with("      -"); });
  EXPECT_EQ(ShowAllDamageDetail(path_, 1, spells_, false), withoutPets);

  // Damage per mana needs the spell table: without it every DPM is "0".
  EXPECT_EQ(ShowAllDamageDetail(path_, 1, {}, true)[2][7], "0");
}

TEST_F(FightViews, DetailOfAFightWithoutDotsOrDirectDamage) {
  // One second long, so the damage per second is the damage.
  const Rows expected = {
      {"DoTs"},
      {"  ", "0", "0.00", "0", "0", "0.00", "0", "0", "0", "0", "0", "0", "0"},
      {"  Ignite Blood.", "0", "0.00", "0", "0", "0.00", "0", "0.00", "0", "1", "0", "0", "0"},
      {" TOTALS:", "0", "0.00", "0", "0", "0.00", "0", "", "", "1", "0", "0", "0"},
      {"Direct Damage"},
      {"  DD"},
      {"Pets"},
      {"  Pet", "10", "10.00", "5", "5", "5.00", "2"},
      {"      -bites", "10", "10.00", "5", "5", "5.00", "2"},
      {"Total Damage", "10", "10.00"},
  };
  EXPECT_EQ(ShowAllDamageDetail(path_, 2, spells_, true), expected);
}

TEST_F(FightViews, DetailSumsPastThirtyTwoBitsAndNoPets) {
  const Rows rows = ShowAllDamageDetail(path_, 3, spells_, true);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[4], (ListRow{"  DD", "4,000,000,000", "2,000,000,000.00", "2000000000",
                              "2000000000", "2,000,000,000.00", "2"}));
  EXPECT_EQ(rows[5], (ListRow{"Pets"}));  // no pet damage: no "  Pet" line
  EXPECT_EQ(rows[6], (ListRow{"Total Damage", "4,000,000,096", "2,000,000,048.00"}));
}

TEST_F(FightViews, AMissingDatabaseIsAnErrorAndStaysMissing) {
  const std::string missing = dir_.File("elsewhere/QornDB.mdb");
  EXPECT_THROW(FillDotBreakdown(missing, 1), Error);
  EXPECT_THROW(FillDotTicks(missing, 1, "a gnoll"), Error);
  EXPECT_THROW(ShowAllDamageDetail(missing, 1, spells_, true), Error);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// A file damaged by hand: every view says so in the player's words, names
// Get Log, and leaves the file exactly as it was (a view never writes).
TEST_F(FightViews, ADamagedDatabaseIsCalledDamagedAndLeftAlone) {
  namespace fs = std::filesystem;
  struct Damage {
    const char* what;
    const char* words;  // what the message must say is wrong
    std::function<void(const std::string&)> apply;
  };
  const Damage damages[] = {
      {"zero bytes", "the file is empty", [](const std::string& db) { fs::resize_file(db, 0); }},
      {"not a database", "it is not a parse database",
       [](const std::string& db) { test::WriteFile(db, std::string(4096, 'x')); }},
      {"a folder", "a folder stands where the file should be",
       [](const std::string& db) {
         fs::remove(db);
         fs::create_directory(db);
       }},
      {"a pipe", "something that is not a file",
       [](const std::string& db) {
         fs::remove(db);
         ASSERT_EQ(::mkfifo(db.c_str(), 0600), 0);
       }},
      {"DPS dropped", "DPS is missing",
       [](const std::string& db) { Database(db).ExecuteNative("DROP VIEW DPS"); }},
      {"DPS with fewer columns", "DPS has lost its column MinOfDTime",
       [](const std::string& db) {
         Database(db).ExecuteNative(
             "DROP VIEW DPS; CREATE VIEW DPS AS SELECT EventNum, Sum(Dmg) AS SumOfDmg, "
             "Max(DTime) AS MaxOfDTime FROM ParseData GROUP BY EventNum");
       }},
      {"SortMobTime dropped", "SortMobTime is missing",
       [](const std::string& db) { Database(db).ExecuteNative("DROP VIEW SortMobTime"); }},
      {"a column dropped", "ParseData has lost its column Color",
       [](const std::string& db) {
         Database(db).ExecuteNative(
             "DROP VIEW SortMobTime; DROP VIEW ParseData; CREATE VIEW ParseData AS SELECT RecNum, "
             "DTime, Who, Mob, Dmg, Crit, DmgSrc, DmgType, Cpower, Inten, CoA, Reserved, 0 AS "
             "EventNum, 0 AS TickNum FROM DamageRows");
       }},
  };
  const std::string good = test::ReadFile(path_);
  const std::vector<std::function<void()>> views = {
      [&] { FillDotBreakdown(path_, 1); },
      [&] { FillDotTicks(path_, 1, "a gnoll"); },
      [&] { ShowAllDamageDetail(path_, 1, spells_, true); },
      [&] { BuffValue(path_, BuffScope::AllFights()); },
      [&] { DrawAllDamageGraph(path_, 1, "a gnoll"); },
      [&] { EventMob(path_, 1); },
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    fs::remove_all(path_);
    test::WriteFile(path_, good);
    damage.apply(path_);
    const fs::file_status before = fs::symlink_status(path_);
    const std::string bytes = fs::is_regular_file(before) ? test::ReadFile(path_) : "";
    for (const auto& view : views) {
      try {
        view();
        ADD_FAILURE() << "a view read a damaged file";
      } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("is damaged (" + std::string(damage.words)), std::string::npos)
            << message;
        EXPECT_NE(message.find("Get Log"), std::string::npos) << message;
      }
    }
    EXPECT_EQ(fs::symlink_status(path_).type(), before.type());
    if (fs::is_regular_file(before)) {
      EXPECT_EQ(test::ReadFile(path_), bytes);
    }
    EXPECT_FALSE(fs::exists(path_ + "-journal"));
  }
}

// The tick run (rows of a mob between two times) that holds the row RecNum N.
#define RUN_OF_ROW(N)                                         \
  "MobKey = (SELECT MobKey FROM DamageRows WHERE RecNum = " N \
  ") AND (SELECT DTime FROM "                                 \
  "DamageRows WHERE RecNum = " N ") BETWEEN FromTime AND ToTime"

// Numbers no log can give, put in by hand: what a view would allocate per
// tick, or sum, is never trusted; the file is called damaged instead.
TEST_F(FightViews, ImpossibleStoredNumbersMakeTheFileDamaged) {
  struct Case {
    const char* what;
    int32_t event;
    const char* sql;
    bool wholeLog;  // the overview and the whole log's Buff Value meet it too
  };
  const Case cases[] = {
      {"a tick far beyond the fight", 1,
       "UPDATE TickRuns SET TickNum = 100000000 WHERE " RUN_OF_ROW("0"), false},
      {"a tick below 0", 2,
       "UPDATE TickRuns SET TickNum = -5 WHERE FightKey = (SELECT FightKey FROM Fights WHERE "
       "EventNum = 2)",
       false},
      // The row's run stretched to its new time, the mob's later runs moved past it.
      {"a time far from the rest", 1,
       "UPDATE TickRuns SET FromTime = FromTime + 2000, ToTime = ToTime + 2000 WHERE MobKey = "
       "(SELECT MobKey FROM DamageRows WHERE RecNum = 3) AND FromTime > (SELECT DTime FROM "
       "DamageRows WHERE RecNum = 3); UPDATE TickRuns SET ToTime = ToTime + 1000 WHERE " RUN_OF_ROW(
           "3") "; UPDATE DamageRows SET DTime = DTime + 1000 WHERE RecNum = 3",
       false},
      {"a damage beyond 32 bits", 1,
       "UPDATE ParseData SET Dmg = 9223372036854775807 WHERE EventNum = 1 AND DmgType = 'Dot'",
       true},
  };
  const std::string good = test::ReadFile(path_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFile(path_, good);
    Database(path_).ExecuteNative(c.sql);
    std::vector<std::function<void()>> views = {
        [&] { DrawDotTickGraph(path_, c.event, "x"); },
        [&] { DrawAllDamageGraph(path_, c.event, "x"); },
        [&] { HtmlTickGraphText(path_, c.event, 0); },
        [&] { FillDotTicks(path_, c.event, "x"); },
        [&] { ShowAllDamageDetail(path_, c.event, spells_, true); },
    };
    if (c.wholeLog) {
      views.push_back([&] { BuffValue(path_, BuffScope::Fight(c.event)); });
      views.push_back([&] { BuffValue(path_, BuffScope::AllFights()); });
      views.push_back([&] {
        NullProgress none;
        FillEventList(path_, none);
      });
    }
    for (size_t i = 0; i < views.size(); ++i) {
      SCOPED_TRACE(i);
      try {
        views[i]();
        ADD_FAILURE() << "an impossible number was taken";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("is damaged ("), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Get Log"), std::string::npos) << e.what();
      }
    }
  }
  // Rows without a tick (0): nothing to draw.
  test::WriteFile(path_, good);
  Database(path_).ExecuteNative(
      "UPDATE TickRuns SET TickNum = 0 WHERE FightKey = (SELECT FightKey FROM Fights WHERE "
      "EventNum = 2)");
  EXPECT_EQ(ChartGridText(DrawAllDamageGraph(path_, 2, "a rat")),
            "\tPets\tDD's\n          a rat\n");
}

}  // namespace
}  // namespace qorn
