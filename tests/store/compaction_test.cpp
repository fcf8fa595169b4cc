#include "store/compaction.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "store/database.h"
#include "support/parse_db.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

class CompactionTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteParseRows(db_, {{"a gnoll", 0, 5}, {"a rat", 9, 7}}); }
  long long Rows() {
    Database db(db_);
    Recordset rs(db, "SELECT * FROM ParseData");
    return rs.RecordCount();
  }
  test::TempDir dir_;
  std::string db_ = dir_.File("QornDB.mdb");
  std::string temp_ = dir_.File("Temp.mdb");
};

TEST_F(CompactionTest, ReplacesTheFileAndLeavesNoTempFile) {
  {
    Database db(db_);  // make some free pages to give back
    db.ExecuteNative(
        "CREATE TABLE Junk (x); INSERT INTO Junk VALUES (zeroblob(200000)); DROP TABLE Junk");
  }
  const auto before = fs::file_size(db_);
  EXPECT_TRUE(CompactParseDatabase(db_));
  EXPECT_LT(fs::file_size(db_), before);
  EXPECT_FALSE(fs::exists(temp_));
  EXPECT_EQ(Rows(), 2);
}

TEST_F(CompactionTest, ALeftoverTempFileDoesNotStopItAndPermissionsStay) {
  dir_.Write("Temp.mdb", "left over by a run that failed");
  const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(db_, mode);
  EXPECT_TRUE(CompactParseDatabase(db_));
  EXPECT_FALSE(fs::exists(temp_));
  EXPECT_EQ(fs::status(db_).permissions(), mode);
  EXPECT_EQ(Rows(), 2);
}

TEST_F(CompactionTest, AReadOnlyFileIsLeftAlone) {
  const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(db_, readOnly);
  const auto before = fs::last_write_time(db_);
  EXPECT_FALSE(CompactParseDatabase(db_));
  EXPECT_EQ(fs::status(db_).permissions(), readOnly);
  EXPECT_EQ(fs::last_write_time(db_), before);
  EXPECT_FALSE(fs::exists(temp_));
}

TEST_F(CompactionTest, AFolderWhereTempMdbShouldGoIsMovedAsideAsItIs) {
  fs::create_directories(fs::path(temp_) / "x");
  EXPECT_TRUE(CompactParseDatabase(db_));
  EXPECT_EQ(Rows(), 2);
  EXPECT_FALSE(fs::exists(temp_));
  size_t aside = 0;
  for (const auto& entry : fs::directory_iterator(dir_.path())) {
    if (entry.path().filename().string().starts_with("Temp.mdb.damaged-")) {
      EXPECT_TRUE(fs::is_directory(entry.path() / "x"));
      ++aside;
    }
  }
  EXPECT_EQ(aside, 1u);
}

TEST_F(CompactionTest, FailureIsSilentAndKeepsTheFile) {
  const std::string damaged(4096, 'x');
  dir_.Write("QornDB.mdb", damaged);
  EXPECT_FALSE(CompactParseDatabase(db_));
  EXPECT_EQ(test::ReadFile(db_), damaged);
  EXPECT_FALSE(fs::exists(temp_));
  EXPECT_FALSE(CompactParseDatabase(dir_.File("missing.mdb")));
}

}  // namespace
}  // namespace qorn
