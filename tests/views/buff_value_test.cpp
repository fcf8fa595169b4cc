#include "views/buff_value.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "store/stored_fights.h"
#include "support/list_lines.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

using test::Joined;

// Event 1, "a gnoll": Plague. (normal tick 55, so 110 and up are crits) with
// and without the breastplate and Intensity; Dread Pyre. (crit from 1912)
// only ever with the breastplate; Chaotic Power never runs on a DoT; direct
// damage and pet hits carry buffs but are no DoTs.
// Event 2, "a rat": Splurt. and "splurt." are one source; Chaotic Power adds
// half a point to one and takes half a point from the other.
class BuffValueTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    path_ = dir_->File("QornDB.mdb");
    using R = test::FixtureRow;
    auto coa = [](R r) { return r.coa = true, r; };
    auto inten = [](R r) { return r.inten = true, r; };
    auto cpower = [](R r) { return r.cpower = true, r; };
    test::WriteParseRows(path_, {
                                    coa({"a gnoll", 0, 60, "Dot", "Plague."}),
                                    coa({"a gnoll", 2, 120, "Dot", "Plague."}),
                                    coa({"a gnoll", 4, 130, "Dot", "Plague."}),
                                    inten({"a gnoll", 6, 50, "Dot", "Plague."}),
                                    inten({"a gnoll", 8, 56, "Dot", "Plague."}),
                                    {"a gnoll", 10, 110, "Dot", "Plague."},
                                    coa({"a gnoll", 12, 2000, "Dot", "Dread Pyre."}),
                                    coa({"a gnoll", 14, 1000, "Dot", "Dread Pyre."}),
                                    cpower(inten(coa({"a gnoll", 15, 5000, "DD", "Ignite Bones"}))),
                                    cpower({"a gnoll", 16, 30, "Pet", "bites"}),
                                    cpower({"a rat", 1000, 101, "Dot", "Splurt."}),
                                    {"a rat", 1002, 100, "Dot", "splurt."},
                                    {"a rat", 1004, 101, "Dot", "Splurt."},
                                    cpower({"a rat", 1006, 100, "Dot", "Funeral Pyre of Kelador."}),
                                    {"a rat", 1008, 100, "Dot", "Funeral Pyre of Kelador."},
                                    {"a rat", 1010, 101, "Dot", "Funeral Pyre of Kelador."},
                                });
    NullProgress progress;
    RenumberStoredParse(path_, 18, progress);
  }
  static void TearDownTestSuite() { delete dir_; }

  static test::TempDir* dir_;
  static std::string path_;
};
test::TempDir* BuffValueTest::dir_ = nullptr;
std::string BuffValueTest::path_;

struct ScopeCase {
  const char* name;
  BuffScope scope;
  std::vector<std::string> lines;
};

TEST_F(BuffValueTest, LinesOfEachScope) {
  const std::vector<ScopeCase> cases = {
      {"a buff with no hits on, a source hit only with the buff, a negative Added",
       BuffScope::Fight(1),
       {
           "Chaotic Power\tDread Pyre.\t0\t0\t-\t-\t2\t1\t50.00%\t1,500.00\t-",
           "Chaotic Power\tPlague.\t0\t0\t-\t-\t6\t3\t50.00%\t87.67\t-",
           "Chaotic Power\tAll DoTs\t0\t0\t-\t-\t8\t4\t50.00%\t440.75\t-",
           "Anguish BP\tDread Pyre.\t2\t1\t50.00%\t1,500.00\t0\t0\t-\t-\t-",
           "Anguish BP\tPlague.\t3\t2\t66.67%\t103.33\t3\t1\t33.33%\t72.00\t94",
           "Anguish BP\tAll DoTs\t5\t3\t60.00%\t662.00\t3\t1\t33.33%\t72.00\t2,950",
           "Intensity\tDread Pyre.\t0\t0\t-\t-\t2\t1\t50.00%\t1,500.00\t-",
           "Intensity\tPlague.\t2\t0\t00.00%\t53.00\t4\t3\t75.00%\t105.00\t-104",
           "Intensity\tAll DoTs\t2\t0\t00.00%\t53.00\t6\t4\t66.67%\t570.00\t-1,034",
       }},
      {"sources apart only in case are one; halves of Added round away from zero",
       BuffScope::Fight(2),
       {
           "Chaotic Power\tFuneral Pyre of "
           "Kelador.\t1\t0\t00.00%\t100.00\t2\t0\t00.00%\t100.50\t-1",
           "Chaotic Power\tSplurt.\t1\t0\t00.00%\t101.00\t2\t0\t00.00%\t100.50\t1",
           "Chaotic Power\tAll DoTs\t2\t0\t00.00%\t100.50\t4\t0\t00.00%\t100.50\t0",
           "Anguish BP\tFuneral Pyre of Kelador.\t0\t0\t-\t-\t3\t0\t00.00%\t100.33\t-",
           "Anguish BP\tSplurt.\t0\t0\t-\t-\t3\t0\t00.00%\t100.67\t-",
           "Anguish BP\tAll DoTs\t0\t0\t-\t-\t6\t0\t00.00%\t100.50\t-",
           "Intensity\tFuneral Pyre of Kelador.\t0\t0\t-\t-\t3\t0\t00.00%\t100.33\t-",
           "Intensity\tSplurt.\t0\t0\t-\t-\t3\t0\t00.00%\t100.67\t-",
           "Intensity\tAll DoTs\t0\t0\t-\t-\t6\t0\t00.00%\t100.50\t-",
       }},
      {"the whole log: both fights' hits, sources of both in one order",
       BuffScope::AllFights(),
       {
           "Chaotic Power\tDread Pyre.\t0\t0\t-\t-\t2\t1\t50.00%\t1,500.00\t-",
           "Chaotic Power\tFuneral Pyre of "
           "Kelador.\t1\t0\t00.00%\t100.00\t2\t0\t00.00%\t100.50\t-1",
           "Chaotic Power\tPlague.\t0\t0\t-\t-\t6\t3\t50.00%\t87.67\t-",
           "Chaotic Power\tSplurt.\t1\t0\t00.00%\t101.00\t2\t0\t00.00%\t100.50\t1",
           "Chaotic Power\tAll DoTs\t2\t0\t00.00%\t100.50\t12\t4\t33.33%\t327.33\t-454",
           "Anguish BP\tDread Pyre.\t2\t1\t50.00%\t1,500.00\t0\t0\t-\t-\t-",
           "Anguish BP\tFuneral Pyre of Kelador.\t0\t0\t-\t-\t3\t0\t00.00%\t100.33\t-",
           "Anguish BP\tPlague.\t3\t2\t66.67%\t103.33\t3\t1\t33.33%\t72.00\t94",
           "Anguish BP\tSplurt.\t0\t0\t-\t-\t3\t0\t00.00%\t100.67\t-",
           "Anguish BP\tAll DoTs\t5\t3\t60.00%\t662.00\t9\t1\t11.11%\t91.00\t2,855",
           "Intensity\tDread Pyre.\t0\t0\t-\t-\t2\t1\t50.00%\t1,500.00\t-",
           "Intensity\tFuneral Pyre of Kelador.\t0\t0\t-\t-\t3\t0\t00.00%\t100.33\t-",
           "Intensity\tPlague.\t2\t0\t00.00%\t53.00\t4\t3\t75.00%\t105.00\t-104",
           "Intensity\tSplurt.\t0\t0\t-\t-\t3\t0\t00.00%\t100.67\t-",
           "Intensity\tAll DoTs\t2\t0\t00.00%\t53.00\t12\t4\t33.33%\t335.25\t-565",
       }},
      {"a fight without DoT hits keeps an All DoTs line per buff",
       BuffScope::Fight(3),
       {
           "Chaotic Power\tAll DoTs\t0\t0\t-\t-\t0\t0\t-\t-\t-",
           "Anguish BP\tAll DoTs\t0\t0\t-\t-\t0\t0\t-\t-\t-",
           "Intensity\tAll DoTs\t0\t0\t-\t-\t0\t0\t-\t-\t-",
       }},
  };
  for (const ScopeCase& c : cases) {
    EXPECT_EQ(Joined(BuffValue(path_, c.scope)), c.lines) << c.name;
  }
}

TEST(BuffValue, AMissingDatabaseIsAnErrorAndStaysMissing) {
  test::TempDir dir;
  const std::string path = dir.File("QornDB.mdb");
  EXPECT_THROW(BuffValue(path, BuffScope::AllFights()), Error);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(BuffValue, SumsPastThirtyTwoBitsDoNotWrap) {
  test::TempDir dir;
  const std::string path = dir.File("QornDB.mdb");
  // Three hits of two billion with the breastplate, three of one billion
  // without: sums of six and three billion, and an Added of three billion.
  std::vector<test::FixtureRow> rows;
  for (int i = 0; i < 6; ++i) {
    test::FixtureRow r{"a dragon", i, i < 3 ? 2000000000 : 1000000000, "Dot", "Pyre of Mori."};
    r.coa = i < 3;
    rows.push_back(r);
  }
  test::WriteParseRows(path, rows);
  NullProgress progress;
  RenumberStoredParse(path, 18, progress);
  const std::vector<std::string> lines = Joined(BuffValue(path, BuffScope::Fight(1)));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2],
            "Anguish BP\tPyre of Mori.\t3\t3\t100.00%\t2,000,000,000.00\t3\t3\t100.00%\t"
            "1,000,000,000.00\t3,000,000,000");
  EXPECT_EQ(lines[1], "Chaotic Power\tAll DoTs\t0\t0\t-\t-\t6\t6\t100.00%\t1,500,000,000.00\t-");
}

}  // namespace
}  // namespace qorn
