#include "store/database.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/error.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

TEST(Database, ANewFileGetsItsTablesAndSpellTable) {
  test::TempDir dir;
  Database db(dir.File("QornDB.mdb"));
  Recordset spells(db, "SELECT * FROM SpellDat");
  EXPECT_EQ(spells.RecordCount(), 37);
  EXPECT_EQ(spells.FieldCount(), 3);
  EXPECT_EQ(spells.Field("spell").AsText(), "Disease Cloud.");
  EXPECT_EQ(spells.Field(1).AsInt(), 1);
  Recordset parse(db, "SELECT * FROM ParseData");
  EXPECT_EQ(parse.FieldCount(), 15);
  EXPECT_TRUE(parse.EndOfFile());
}

TEST(Database, RecordsetWalksRows) {
  test::TempDir dir;
  const std::string path = dir.File("QornDB.mdb");
  test::WriteParseRows(path, {{"a rat", 0, 5}, {"a gnoll", 6, 7}, {"a gnoll", 12, 9}});
  Database db(path);
  Recordset rs(db, "Select * FROM SortMobTime WHERE Mob = 'A GNOLL'");
  ASSERT_EQ(rs.RecordCount(), 2);
  rs.MoveLast();
  EXPECT_EQ(rs.Field("Dmg").AsInt(), 9);
  rs.MoveFirst();
  EXPECT_EQ(rs.Field("dmg").AsInt(), 7);
  EXPECT_THROW(rs.Field("Nope"), Error);
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_TRUE(rs.EndOfFile());
}

TEST(Database, FailuresSayWhatAndWhere) {
  test::TempDir dir;
  const std::string corrupt = dir.Write("QornDB.mdb", std::string(4096, 'x'));
  try {
    Database db(corrupt);
    FAIL() << "a file that is no database opened";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(corrupt), std::string::npos) << e.what();
  }
  fs::create_directory(dir.path() / "folder.mdb");
  EXPECT_THROW(Database(dir.File("folder.mdb")), Error);
  EXPECT_THROW(Database(dir.File("missing/QornDB.mdb")), Error);

  if (::geteuid() != 0) {  // root writes anywhere
    fs::create_directory(dir.path() / "ro");
    fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(Database((dir.path() / "ro" / "QornDB.mdb").string()), Error);
  }
}

}  // namespace
}  // namespace qorn
