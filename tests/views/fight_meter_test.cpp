#include "views/fight_meter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "store/database.h"
#include "store/parse_state.h"
#include "store/stored_fights.h"
#include "support/list_lines.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

MeterSource Src(std::string name, int64_t damage) {
  return {std::move(name), damage, SourceKind::Dot, std::nullopt};
}

FightMeter Meter(std::string character, std::string mob, int64_t seconds,
                 std::vector<MeterSource> sources) {
  FightMeter m;
  m.Character = std::move(character);
  m.Mob = std::move(mob);
  for (const MeterSource& s : sources) m.Total += s.Damage;
  m.Seconds = seconds;
  m.Dps = static_cast<double>(m.Total) / static_cast<double>(seconds);
  m.Dps = static_cast<double>(std::llround(m.Dps * 100)) / 100;
  m.Sources = std::move(sources);
  return m;
}

// Thirty DoTs of 1,000 to 30,000 damage, most first.
std::vector<MeterSource> ManyDots() {
  std::vector<MeterSource> dots;
  for (int i = 30; i >= 1; --i)
    dots.push_back(Src("Spell number " + std::to_string(i) + ".", i * 1000));
  return dots;
}

TEST(FightSummaryLine, TableOfFights) {
  struct Case {
    const char* name;
    FightMeter meter;
    std::string line;
  };
  const std::string longMob(300, 'x');
  const std::vector<Case> cases = {
      {"one source", Meter("Qornek", "a lizard", 1, {Src("Splurt.", 500)}),
       "Qornek on a lizard: 500 in 0:01 = 500.00 DPS | Splurt. 500 (100%)"},
      {"several sources, each with its share",
       Meter("Qornek", "a lizard", 159,
             {Src("Pyre of Mori.", 41210), Src("Splurt.", 20100), Src("DD", 16219),
              Src("Pets", 12400)}),
       "Qornek on a lizard: 89,929 in 2:39 = 565.59 DPS | Pyre of Mori. 41,210 (46%) | Splurt. "
       "20,100 (22%) | DD 16,219 (18%) | Pets 12,400 (14%)"},
      {"many sources: the rest as other", Meter("Qornek", "a lizard", 3725, ManyDots()),
       "Qornek on a lizard: 465,000 in 62:05 = 124.83 DPS | Spell number 30. 30,000 (6%) | Spell "
       "number 29. 29,000 (6%) | Spell number 28. 28,000 (6%) | Spell number 27. 27,000 (6%) | "
       "Spell number 26. 26,000 (6%) | other 325,000 (70%)"},
      {"a mob's name too long for the line is cut",
       Meter("Qornek", longMob, 60, {Src("Splurt.", 600)}),
       "Qornek on " + std::string(61, 'x') + "...: 600 in 1:00 = 10.00 DPS | Splurt. 600 (100%)"},
      {"tabs and line breaks in names are blanks",
       Meter("Qornek", "a\tlizard\r\n", 10, {Src("Sp\nlurt.", 100)}),
       "Qornek on a lizard  : 100 in 0:10 = 10.00 DPS | Sp lurt. 100 (100%)"},
      {"no character name stored", Meter("", "a lizard", 10, {Src("DD", 100)}),
       "a lizard: 100 in 0:10 = 10.00 DPS | DD 100 (100%)"},
      {"a fight without damage", Meter("Qornek", "a lizard", 1, {}),
       "Qornek on a lizard: 0 in 0:01 = 0.00 DPS"},
  };
  for (const Case& c : cases) {
    const std::string line = FightSummaryLine(c.meter);
    EXPECT_EQ(line, c.line) << c.name;
    EXPECT_LE(line.size(), kSummaryLineLimit) << c.name;
    EXPECT_EQ(line.find_first_of("\t\r\n"), std::string::npos) << c.name;
  }
}

TEST(FightSummaryLine, ACutNameEndsOnAWholeCharacter) {
  // Two-byte characters: an odd cut would split one.
  std::string mob;
  for (int i = 0; i < 40; ++i) mob += "\xC3\xA9";  // é
  const std::string line = FightSummaryLine(Meter("Qornek", mob, 60, {Src("DD", 60)}));
  ASSERT_LE(line.size(), kSummaryLineLimit);
  const size_t dots = line.find("...:");
  ASSERT_NE(dots, std::string::npos);
  EXPECT_EQ((dots - std::string("Qornek on ").size()) % 2, 0u);
  EXPECT_EQ(static_cast<unsigned char>(line[dots - 1]), 0xA9);
}

TEST(MinutesSeconds, AsTheSummaryWritesThem) {
  EXPECT_EQ(MinutesSeconds(0), "0:00");
  EXPECT_EQ(MinutesSeconds(5), "0:05");
  EXPECT_EQ(MinutesSeconds(159), "2:39");
  EXPECT_EQ(MinutesSeconds(4503), "75:03");
}

TEST(FightEnded, AfterTheQuietGap) {
  const DateTime last = test::FixtureTime(100);
  EXPECT_FALSE(FightEnded(last, test::FixtureTime(118), 18));
  EXPECT_TRUE(FightEnded(last, test::FixtureTime(119), 18));
  EXPECT_FALSE(FightEnded(last, test::FixtureTime(90), 18));  // a clock behind the log
}

// Event 1, "a lizard" (also "A lizard"), seconds 0 to 30: Pyre of Mori.
// (once spelled "PYRE OF MORI.") ticking from the pull, Splurt. from second
// 18, a pet, a swarm pet and a direct hit. Event 2, "a rat", one hit.
class FightMeterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("QornDB.mdb");
    std::vector<test::FixtureRow> rows = {{"a lizard", 0, 900, "DD", "Ignite Bones"}};
    for (int s = 0; s <= 30; s += 6) {
      rows.push_back({s == 12 ? "A lizard" : "a lizard", s, 300, "Dot",
                      s == 24 ? "PYRE OF MORI." : "Pyre of Mori."});
    }
    for (int s : {18, 24, 30}) rows.push_back({"a lizard", s, 100, "Dot", "Splurt."});
    rows.push_back({"a lizard", 3, 250, "Pet", "bites"});
    rows.push_back({"a lizard", 5, 150, "Epic/Swarm", "Guardian of Blood Strike"});
    rows.push_back({"a rat", 5000, 42, "Dot", "Splurt."});
    test::WriteParseRows(path_, rows);
    NullProgress progress;
    RenumberStoredParse(path_, 18, progress);
  }
  test::TempDir dir_;
  std::string path_;
};

TEST_F(FightMeterTest, SourcesByDamageWithTheirShareAndUptime) {
  {
    Database db(path_);
    WriteStateBytes(db, StateKey::CharName, "Qornek");
  }
  Database db(path_, OpenMode::kReadOnly);
  const std::optional<FightMeter> meter = ReadFightMeter(db, 1);
  ASSERT_TRUE(meter);
  EXPECT_EQ(meter->Mob, "a lizard");
  EXPECT_EQ(meter->Total, 3400);
  EXPECT_EQ(meter->Seconds, 30);
  EXPECT_EQ(test::Joined(MeterLines(*meter)),
            (std::vector<std::string>{"Pyre of Mori.\t1,800\t53%\t100%", "DD\t900\t26%\t",
                                      "Pets\t400\t12%\t", "Splurt.\t300\t9%\t60%"}));
  EXPECT_EQ(FightSummaryLine(*meter),
            "Qornek on a lizard: 3,400 in 0:30 = 113.33 DPS | Pyre of Mori. 1,800 (53%) | DD 900 "
            "(26%) | Pets 400 (12%) | Splurt. 300 (9%)");

  // A fight of one hit lasts a second, as the overview counts it.
  EXPECT_EQ(FightSummaryLine(*ReadFightMeter(db, 2)),
            "Qornek on a rat: 42 in 0:01 = 42.00 DPS | Splurt. 42 (100%)");
  EXPECT_FALSE(ReadFightMeter(db, 3));
  EXPECT_EQ(NewestFight(db), std::optional<int32_t>(2));
}

}  // namespace
}  // namespace qorn
