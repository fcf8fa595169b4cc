// A command killed while it wrote the stored parse in place leaves the
// database's rollback journal behind. Every later command, and every view,
// undoes that write and goes on from the stored parse as it was before.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "common/error.h"
#include "commands/commands.h"
#include "store/database.h"
#include "store/event_overview.h"
#include "commands/program_folder.h"
#include "support/carry_over_log.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"
#include "views/dot_breakdown.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

void Exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &message), SQLITE_OK)
      << sql << ": " << (message ? message : "");
  sqlite3_free(message);
}

class StoppedWriteTest : public ::testing::Test {
 protected:
  std::string Folder(const char* name) {
    const fs::path folder = dir_.path() / name;
    fs::create_directories(folder);
    return folder.string();
  }
  static std::string DatabaseIn(const std::string& folder) {
    return InProgramFolder(folder, kDatabaseFile);
  }
  // The rows, their numbers and what the stored parse notes of its log.
  static std::string Stored(const std::string& path) {
    std::string state;
    {
      Database db(path, OpenMode::kReadOnly);
      Statement notes(db, "SELECT Name, Value FROM ParseState ORDER BY Name");
      while (notes.Step()) {
        state += std::string(notes.ColumnText(0)) + "=" + std::string(notes.ColumnText(1)) + "\n";
      }
    }
    return test::DumpTable(path, "ParseData") + test::DumpTable(path, "SpellCastResist") + state;
  }

  test::TempDir dir_;
};

TEST_F(StoppedWriteTest, EveryCommandUndoesAWriteThatWasStopped) {
  const std::string log = dir_.Write("log.txt", test::CarryOverLog());
  const std::string stored = Folder("stored");
  NullProgress none;
  RunGetLog(stored, log, "Soandso", 18, {none, none});
  const std::string before = Stored(DatabaseIn(stored));
  const Overview overview = RunGetPrevious(stored, 18, {none, none}).EventList;
  const std::string overviewBefore = test::DumpOverview(overview);
  const int32_t fights = overview.EventCount;

  // A write in place stopped halfway: the file holds some of its pages, the
  // journal the pages as they were. Copied as they stand, nothing holds a
  // lock on the copy, as after a kill.
  const std::string hot = Folder("hot");
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(DatabaseIn(stored).c_str(), &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, SqliteCloser> db(raw);
    // A small page cache, so that the changed pages go to the file before the end.
    Exec(raw, "PRAGMA cache_size = 10");
    Exec(raw, "BEGIN");
    Exec(raw, "UPDATE DamageRows SET Dmg = Dmg + 1; DELETE FROM Fights; DELETE FROM TickRuns");
    Exec(raw, "INSERT INTO ParseState (Name, Value) VALUES ('Filler', zeroblob(400000))");
    ASSERT_TRUE(fs::exists(DatabaseIn(stored) + "-journal"));
    fs::copy_file(DatabaseIn(stored), DatabaseIn(hot));
    fs::copy_file(DatabaseIn(stored) + "-journal", DatabaseIn(hot) + "-journal");
    Exec(raw, "ROLLBACK");
  }
  ASSERT_NE(test::ReadFile(DatabaseIn(hot)), test::ReadFile(DatabaseIn(stored)))
      << "the stopped write reached the file";

  struct Command {
    const char* what;
    std::function<void(const std::string& folder)> run;
  };
  const Command commands[] = {
      {"Get Log of the same log",
       [&](const std::string& folder) {
         EXPECT_EQ(
             test::DumpOverview(RunGetLog(folder, log, "Soandso", 18, {none, none}).EventList),
             overviewBefore);
       }},
      {"Get Previous",
       [&](const std::string& folder) {
         EXPECT_EQ(test::DumpOverview(RunGetPrevious(folder, 18, {none, none}).EventList),
                   overviewBefore);
       }},
      {"Get Previous with another timer",
       [&](const std::string& folder) {
         RunGetPrevious(folder, 30, {none, none});
       }},
      {"the overview",
       [&](const std::string& folder) {
         int fights = 0;
         ForEachStoredFight(DatabaseIn(folder), [&](const OverviewRow&) { ++fights; });
         EXPECT_GT(fights, 0);
       }},
      {"a fight's list",
       [&](const std::string& folder) {
         size_t rows = 0;
         for (int32_t fight = 1; fight <= fights; ++fight) {
           rows += FillDotBreakdown(DatabaseIn(folder), fight).size();
         }
         EXPECT_GT(rows, 0u);
       }},
  };
  for (const Command& c : commands) {
    SCOPED_TRACE(c.what);
    const std::string folder = Folder(c.what);
    fs::copy_file(DatabaseIn(hot), DatabaseIn(folder));
    fs::copy_file(DatabaseIn(hot) + "-journal", DatabaseIn(folder) + "-journal");
    try {
      c.run(folder);
    } catch (const Error& e) {
      ADD_FAILURE() << e.what();
    }
    if (std::string(c.what) != "Get Previous with another timer") {
      EXPECT_EQ(Stored(DatabaseIn(folder)), before);
    }
  }
}

}  // namespace
}  // namespace qorn
