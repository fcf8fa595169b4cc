#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "store/database.h"
#include "store/event_builder.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"
#include "views/damage_detail.h"
#include "views/dot_breakdown.h"
#include "views/dot_ticks.h"

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
    spells_ = BuildEvents(path_, 18, progress).SpellDatRecs;
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

}  // namespace
}  // namespace qorn
