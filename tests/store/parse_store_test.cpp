#include "store/parse_store.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "store/database.h"
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
    return ParseLogFile(dir_.WriteLines("log.txt", lines), "Soandso", progress);
  }
  test::TempDir dir_;
  NullProgress progress_;
};

TEST_F(StoreTest, StoresWhatTheInsertStatementsWouldStore) {
  const ParseResult parsed = Parse({
      "[Fri Dec 04 17:57:44 2026] Quivering power pulses through your hands.",
      "[Fri Dec 04 17:57:44 2026] Tunare's guardian has taken 312 damage from your Splurt.",
      "[Fri Dec 04 00:00:01 2026] Soandso hit Tunare's guardian for 900 points of non-melee "
      "damage.",
      "[Fri Dec 04 12:30:00 2026] You begin casting Splurt.",
      "[Fri Dec 04 12:30:01 2026] Your target resisted the Mori's Fire spell.",
  });
  const std::string stored = dir_.File("stored.mdb");
  StoreParsedRecords(stored, parsed, progress_);

  const std::string byText = dir_.File("bytext.mdb");
  {
    Database db(byText);
    for (size_t i = 0; i < parsed.DamageRecs.size(); ++i) {
      db.Execute(InsertDamageSql(i, parsed.DamageRecs[i]));
    }
    for (size_t i = 0; i < parsed.CastRecs.size(); ++i) {
      db.Execute(InsertCastSql(i, parsed.CastRecs[i]));
    }
  }
  EXPECT_EQ(AllRows(stored, "ParseData"), AllRows(byText, "ParseData"));
  EXPECT_EQ(AllRows(stored, "SpellCastResist"), AllRows(byText, "SpellCastResist"));
  const auto rows = AllRows(stored, "ParseData");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NE(rows[0].find("|Soandso|Tunare's guardian|312|0|Splurt.|Dot|-1|0|0|0|0|0|0|"),
            std::string::npos)
      << rows[0];
  EXPECT_EQ(AllRows(stored, "SpellCastResist")[1].substr(0, 2), "1|");
}

TEST_F(StoreTest, EmptyListsStoreNoRowsAndReplaceThePreviousParse) {
  const std::string db = dir_.File("QornDB.mdb");
  StoreParsedRecords(db,
                     Parse({"[Fri Dec 04 17:57:44 2026] a rat has taken 1 damage from your Splurt.",
                            "[Fri Dec 04 17:57:44 2026] You begin casting Splurt."}),
                     progress_);
  ASSERT_EQ(AllRows(db, "ParseData").size(), 1u);
  StoreParsedRecords(db, Parse({"[Fri Dec 04 17:57:44 2026] Nothing here."}), progress_);
  EXPECT_TRUE(AllRows(db, "ParseData").empty());
  EXPECT_TRUE(AllRows(db, "SpellCastResist").empty());
}

TEST_F(StoreTest, AFailedStoreLeavesThePreviousParseWhole) {
  const std::string db = dir_.File("QornDB.mdb");
  StoreParsedRecords(
      db, Parse({"[Fri Dec 04 17:57:44 2026] a rat has taken 1 damage from your Splurt."}),
      progress_);
  const auto before = AllRows(db, "ParseData");
  {
    Database other(db);  // another program holds the file
    other.ExecuteNative("BEGIN EXCLUSIVE");
    try {
      StoreParsedRecords(db, Parse({}), progress_);
      FAIL() << "stored into a locked database";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(db), std::string::npos) << e.what();
    }
    other.ExecuteNative("ROLLBACK");
  }
  EXPECT_EQ(AllRows(db, "ParseData"), before);
}

}  // namespace
}  // namespace qorn
