#include "store/parse_store.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "commands/commands.h"
#include "store/database.h"
#include "commands/program_folder.h"
#include "support/parse_log.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

std::vector<std::string> AllRows(const std::string& path, const std::string& table) {
  Database db(path);
  Recordset rs(db, "SELECT * FROM " + table + " ORDER BY RecNum");
  std::vector<std::string> rows;
  for (; !rs.EndOfFile(); rs.MoveNext()) {
    std::string row;
    for (int i = 0; i < rs.FieldCount(); ++i) row += rs.Field(i).AsText() + "|";
    rows.push_back(row);
  }
  return rows;
}

class StoreTest : public ::testing::Test {
 protected:
  ParseResult Parse(const std::vector<std::string>& lines) {
    NullProgress progress;
    return test::ParseLogFile(dir_.WriteLines("log.txt", lines), "Soandso", progress);
  }
  // Get Log of the parsed records into the folder's parse database.
  void Store(const ParseResult& parsed) {
    RunGetLog(dir_.path().string(), parsed, 18, {progress_, progress_});
  }
  test::TempDir dir_;
  NullProgress progress_;
  const std::string db_ = InProgramFolder(dir_.path().string(), kDatabaseFile);
};

TEST_F(StoreTest, StoresEveryColumnOfTheRecords) {
  Store(Parse({
      "[Fri Dec 04 17:57:44 2026] Quivering power pulses through your hands.",
      "[Fri Dec 04 17:57:44 2026] Tunare's guardian has taken 312 damage from your Splurt.",
      "[Fri Dec 04 00:00:01 2026] Soandso hit Tunare's guardian for 900 points of non-melee "
      "damage.",
      "[Fri Dec 04 12:30:00 2026] You begin casting Splurt.",
      "[Fri Dec 04 12:30:01 2026] Your target resisted the Mori's Fire spell.",
  }));
  // RecNum, DTime, Who, Mob, Dmg, Crit (312 is twice Splurt.'s tick), DmgSrc, DmgType,
  // Cpower, Inten, CoA, Reserved, EventNum, TickNum, Color.
  const auto rows = AllRows(db_, "ParseData");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NE(rows[0].find("|Soandso|Tunare's guardian|312|-1|Splurt.|Dot|-1|0|0|0|2|1|0|"),
            std::string::npos)
      << rows[0];
  EXPECT_NE(rows[1].find("|Soandso|Tunare's guardian|900|0|hit|DD|-1|0|0|0|1|1|0|"),
            std::string::npos)
      << rows[1];
  const auto casts = AllRows(db_, "SpellCastResist");
  ASSERT_EQ(casts.size(), 2u);
  EXPECT_EQ(casts[1].substr(0, 2), "1|");
}

TEST_F(StoreTest, ALogOfCastsOnlyReplacesThePreviousParse) {
  Store(Parse({"[Fri Dec 04 17:57:44 2026] a rat has taken 1 damage from your Splurt.",
               "[Fri Dec 04 17:57:44 2026] You begin casting Splurt."}));
  ASSERT_EQ(AllRows(db_, "ParseData").size(), 1u);
  Store(Parse({"[Fri Dec 04 17:58:44 2026] You begin casting Splurt."}));
  EXPECT_TRUE(AllRows(db_, "ParseData").empty());
  EXPECT_EQ(AllRows(db_, "SpellCastResist").size(), 1u);
}

TEST_F(StoreTest, AFailedStoreLeavesThePreviousParseWhole) {
  Store(Parse({"[Fri Dec 04 17:57:44 2026] a rat has taken 1 damage from your Splurt."}));
  const auto before = AllRows(db_, "ParseData");
  {
    Database other(db_);  // another program holds the file
    other.ExecuteNative("BEGIN EXCLUSIVE");
    try {
      Store(Parse({"[Fri Dec 04 17:58:44 2026] a rat has taken 2 damage from your Splurt."}));
      FAIL() << "stored into a locked database";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(db_), std::string::npos) << e.what();
    }
    other.ExecuteNative("ROLLBACK");
  }
  EXPECT_EQ(AllRows(db_, "ParseData"), before);
}

}  // namespace
}  // namespace qorn
