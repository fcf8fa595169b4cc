#include "store/event_overview.h"

#include <gtest/gtest.h>

#include "store/stored_fights.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

TEST(FillEventList, OneRowPerEventWithTheListsTexts) {
  test::TempDir dir;
  const std::string db = dir.File("QornDB.mdb");
  // A rat fought in one second; a gnoll over 8 seconds; the gnoll, named at
  // the start of a sentence first, sorts before the rat although fought later.
  test::WriteParseRows(db, {{"a rat", 0, 300},
                            {"a rat", 0, 200, "Pet", "bites"},
                            {"A gnoll", 100, 50},
                            {"a gnoll", 108, 51, "DD", "hit"}});
  NullProgress progress;
  RenumberStoredParse(db, 18, progress);
  const Overview overview = FillEventList(db, progress);
  EXPECT_EQ(overview.EventCount, 2);
  ASSERT_EQ(overview.Rows.size(), 2u);
  EXPECT_EQ(overview.Rows[0].EventNum, 1);
  EXPECT_EQ(overview.Rows[0].Cells(),
            (std::vector<std::string>{"A gnoll", "101", "12.63", "8", "12/4/2026 5:01:40 PM",
                                      "12/4/2026 5:01:48 PM"}));
  EXPECT_EQ(overview.Rows[1].Cells(),
            (std::vector<std::string>{"a rat", "500", "500", "1", "12/4/2026 5:00:00 PM",
                                      "12/4/2026 5:00:00 PM"}));
}

TEST(FillEventList, NoRowsNoEvents) {
  test::TempDir dir;
  const std::string db = dir.File("QornDB.mdb");
  test::WriteParseRows(db, {});
  NullProgress progress;
  const Overview overview = FillEventList(db, progress);
  EXPECT_EQ(overview.EventCount, 0);
  EXPECT_TRUE(overview.Rows.empty());
}

}  // namespace
}  // namespace qorn
