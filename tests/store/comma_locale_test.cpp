// The paths that turn numbers into text and back, run under a locale that
// writes "1,5": Qt sets the C library's locale from the user's environment.
#include <gtest/gtest.h>

#include "common/date_time.h"
#include "common/event_timer.h"
#include "common/number_format.h"
#include "commands/commands.h"
#include "store/database.h"
#include "store/jet_sql.h"
#include "support/comma_locale.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

class CommaLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!locale_.Active()) GTEST_SKIP() << "no comma-decimal locale: " << locale_.Why();
  }
  test::CommaDecimalLocale locale_{QORN_TEST_LOCALES};
};

TEST_F(CommaLocaleTest, SqlAndStoredValuesKeepTheirPoint) {
  const double when = *MakeDateTime({2026, 12, 4, 17, 57, 44});
  const std::string sql = TranslateJetSql("select #12/04/2026 05:57:44 PM# + 0.5");
  EXPECT_EQ(sql, "select " + FormatDouble(when) + " + 0.5");
  EXPECT_EQ(sql.find(','), std::string::npos) << sql;
  EXPECT_EQ(Value(std::string("1.5")).AsDouble(), 1.5);
  EXPECT_EQ(Value(0.25).AsText(), "0.25");
  EXPECT_EQ(FormatTwoDecimals(1234.5), "1,234.50");
  EXPECT_EQ(ParseShownNumber("1,234.50"), 1234.5);
}

TEST_F(CommaLocaleTest, TheEventTimerReadsAPoint) {
  EXPECT_EQ(ParseEventTimer("21.5"), int16_t{22});
  EXPECT_FALSE(ParseEventTimer("21,5"));
}

TEST_F(CommaLocaleTest, GetLogStoresTimesAndShowsUsNumbers) {
  test::TempDir dir;
  const std::string log = dir.WriteLines(
      "log.txt", {"[Fri Dec 04 17:00:00 2026] A gnoll has taken 100 damage from your Splurt.",
                  "[Fri Dec 04 17:00:06 2026] A gnoll has taken 50 damage from your Splurt.",
                  "[Fri Dec 04 17:05:00 2026] A rat has taken 100 damage from your Splurt.",
                  "[Fri Dec 04 17:05:06 2026] A rat has taken 100 damage from your Splurt."});
  NullProgress loop, stages;
  const CommandOutcome got = RunGetLog(dir.path().string(), log, "Soandso", 18, {loop, stages});
  ASSERT_EQ(got.EventList.Rows.size(), 2u);
  EXPECT_EQ(got.EventList.Rows[0].Cells()[2], "25");
  EXPECT_EQ(got.EventList.Rows[1].Cells()[2], "33.33");
  EXPECT_EQ(got.EventList.Rows[0].Cells()[4], "12/4/2026 5:00:00 PM");

  Database db(dir.File("QornDB.mdb"));
  Recordset rs(db, "SELECT DTime FROM ParseData WHERE DTime = #12/04/2026 05:00:06 PM#");
  ASSERT_FALSE(rs.EndOfFile());
  EXPECT_EQ(rs.Field(0).AsDouble(), *MakeDateTime({2026, 12, 4, 17, 0, 6}));
}

}  // namespace
}  // namespace qorn
