// What Get Log and Get Previous do with a database that is damaged, read-only,
// a symbolic link, or left half-written by a run that was stopped.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "common/error.h"
#include "commands/commands.h"
#include "store/database.h"
#include "store/database_file.h"
#include "commands/program_folder.h"
#include "store/schema.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

ParseResult Records(const char* name) {
  return test::ReadRecords(
      test::ReadFile(std::string(QORN_FIXTURES) + "/reference/" + name + ".records.tsv"));
}

// Calls `hook` with each value a bar is given.
struct HookedBar : Progress {
  std::function<void(double)> hook;
  void SetVisible(bool) override {}
  void SetMaximum(double) override {}
  void SetValue(double v) override {
    if (hook) hook(v);
  }
};

class RecoveryTest : public ::testing::Test {
 protected:
  CommandOutcome GetLog(const char* records, HookedBar* stages = nullptr,
                        HookedBar* loop = nullptr) {
    NullProgress none;
    return RunGetLog(folder_, Records(records), 18,
                     {loop ? static_cast<Progress&>(*loop) : none,
                      stages ? static_cast<Progress&>(*stages) : none});
  }
  CommandOutcome GetPrevious(int16_t timer = 18) {
    NullProgress none;
    return RunGetPrevious(folder_, timer, {none, none});
  }
  // The stored parse, all of it.
  std::string Stored() {
    return test::DumpTable(db_, "ParseData") + test::DumpTable(db_, "SpellCastResist") +
           test::DumpTable(db_, "SpellDat");
  }
  // The names a damaged database was moved to (its log and journal aside).
  std::vector<fs::path> MovedAside() {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with("QornDB.mdb.damaged-") && !name.ends_with("-wal") &&
          !name.ends_with("-shm") && !name.ends_with("-journal")) {
        found.push_back(entry.path());
      }
    }
    return found;
  }
  bool TempLeft() { return fs::exists(fs::symlink_status(dir_.path() / "Temp.mdb")); }

  test::TempDir dir_;
  std::string folder_ = dir_.path().string();
  std::string db_ = InProgramFolder(folder_, kDatabaseFile);
};

// Ways a database file gets damaged; each leaves something at QornDB.mdb.
struct Damage {
  const char* what;
  std::function<void(const std::string& db)> apply;
};

const Damage kDamages[] = {
    {"text that is no database",
     [](const std::string& db) {
       fs::remove(db);
       test::WriteFile(db, std::string(4096, 'x'));
     }},
    {"zero bytes", [](const std::string& db) { fs::resize_file(db, 0); }},
    {"cut off halfway", [](const std::string& db) { fs::resize_file(db, fs::file_size(db) / 2); }},
    {"a page overwritten",
     [](const std::string& db) {
       std::string bytes = test::ReadFile(db);
       const size_t page = bytes.size() / 4096 / 2;
       for (size_t i = page * 4096; i < (page + 1) * 4096; ++i) bytes[i] = static_cast<char>(i * 7);
       test::WriteFile(db, bytes);
     }},
    {"a table missing",
     [](const std::string& db) { Database(db).ExecuteNative("DROP TABLE SpellCastResist"); }},
    {"a column missing",
     [](const std::string& db) {
       Database(db).ExecuteNative("ALTER TABLE SpellCastResist DROP COLUMN CorR");
     }},
    {"a folder in its place",
     [](const std::string& db) {
       fs::remove(db);
       fs::create_directories(fs::path(db) / "inside");
     }},
};

TEST_F(RecoveryTest, GetLogMovesADamagedDatabaseAsideAndGoesOn) {
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.what);
    for (const fs::path& p : MovedAside()) fs::remove_all(p);
    GetLog("realistic");
    damage.apply(db_);
    const bool folder = fs::is_directory(db_);
    const std::string bytes = folder ? "" : test::ReadFile(db_);

    const CommandOutcome got = GetLog("edge");
    EXPECT_EQ(got.EventList.Rows.size(), 11u);
    const auto aside = MovedAside();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_NE(got.Notice.find(aside[0].string()), std::string::npos) << got.Notice;
    EXPECT_NE(got.Notice.find("damaged"), std::string::npos) << got.Notice;
    // Nothing is lost: the damaged file is kept as it was.
    if (folder) {
      EXPECT_TRUE(fs::is_directory(aside[0] / "inside"));
    } else {
      EXPECT_EQ(test::ReadFile(aside[0].string()), bytes);
    }
    EXPECT_EQ(GetPrevious().EventList.Rows.size(), 11u);
    EXPECT_FALSE(TempLeft());
  }
}

TEST_F(RecoveryTest, GetPreviousOnADamagedDatabaseSaysSoAndMovesItAside) {
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.what);
    // Get Previous reads the fights' tables, not the rows: a page of rows
    // overwritten shows where the rows are read (Get Log checks every page).
    if (std::string(damage.what) == "a page overwritten") continue;
    for (const fs::path& p : MovedAside()) fs::remove_all(p);
    GetLog("realistic");
    damage.apply(db_);
    try {
      GetPrevious();
      ADD_FAILURE() << "Get Previous went through";
    } catch (const Error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("damaged"), std::string::npos) << message;
      EXPECT_NE(message.find("Get Log"), std::string::npos) << message;
      for (const char* sql : {"SELECT", "PRAGMA", "sqlite", "INSERT"}) {
        EXPECT_EQ(message.find(sql), std::string::npos) << message;
      }
      EXPECT_FALSE(e.StoredDataKept());
      const auto aside = MovedAside();
      ASSERT_EQ(aside.size(), 1u);
      EXPECT_NE(message.find(aside[0].string()), std::string::npos) << message;
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(db_)));
    EXPECT_FALSE(TempLeft());
    // Get Log starts afresh.
    EXPECT_EQ(GetLog("edge").EventList.Rows.size(), 11u);
  }
}

TEST_F(RecoveryTest, AStopAtAnyStageLeavesOneWholeParse) {
  GetLog("edge");
  const std::string before = Stored();
  // The parse the second Get Log leaves when it goes through.
  const std::string after = [&] {
    GetLog("dense");
    std::string s = Stored();
    GetLog("edge");
    return s;
  }();
  ASSERT_EQ(Stored(), before);

  // Every value either bar is given is a point to stop at: count them.
  HookedBar countStages, countLoop;
  int stageCalls = 0, loopCalls = 0;
  countStages.hook = [&](double) { ++stageCalls; };
  countLoop.hook = [&](double) { ++loopCalls; };
  GetLog("dense", &countStages, &countLoop);
  GetLog("edge");

  auto check = [&](const std::string& where, bool stoppedAfterReplace) {
    SCOPED_TRACE(where);
    const std::string now = Stored();
    EXPECT_EQ(now, stoppedAfterReplace ? after : before);
    EXPECT_EQ(GetPrevious().EventList.Rows.empty(), false);
    EXPECT_FALSE(TempLeft());
    GetLog("edge");
  };
  // A kill: the process ends on the spot, nothing is cleaned up.
  for (int stop = 1; stop <= stageCalls; ++stop) {
    EXPECT_EXIT(
        {
          HookedBar stages;
          int calls = 0;
          stages.hook = [&](double) {
            if (++calls == stop) ::_exit(7);
          };
          GetLog("dense", &stages);
          ::_exit(0);
        },
        ::testing::ExitedWithCode(7), "");
    // The stage bar's last value comes when the new file is in place.
    check("killed at stage call " + std::to_string(stop), stop == stageCalls);
  }
  for (int stop = 1; stop <= loopCalls; stop += std::max(1, loopCalls / 12)) {
    EXPECT_EXIT(
        {
          HookedBar loop;
          int calls = 0;
          loop.hook = [&](double) {
            if (++calls == stop) ::_exit(7);
          };
          GetLog("dense", nullptr, &loop);
          ::_exit(0);
        },
        ::testing::ExitedWithCode(7), "");
    check("killed at loop call " + std::to_string(stop), false);
  }
  // A failure: the command throws, and its working file goes with it.
  for (int stop = 1; stop < stageCalls; ++stop) {
    HookedBar stages;
    int calls = 0;
    stages.hook = [&](double) {
      if (++calls == stop) throw Error("stopped");
    };
    EXPECT_THROW(GetLog("dense", &stages), Error);
    check("failed at stage call " + std::to_string(stop), false);
  }
}

// Get Previous cuts the fights again in the stored file: with the timer the
// stored cut was made with it writes nothing at all; what the program's
// schema lacks is made again, and the spell table's new crits are marked.
TEST_F(RecoveryTest, GetPreviousWritesOnlyWhatChanges) {
  struct Case {
    const char* what;
    const char* edit;  // made to the stored file after Get Log
    int16_t timer;
    bool written;
  };
  const Case cases[] = {
      {"nothing", "", 18, false},
      {"another timer", "", 30, true},
      {"an index dropped", "DROP INDEX DamageRows_MobTime", 18, true},
      {"a view dropped", "DROP VIEW SortMobTime", 18, true},
      {"a trigger dropped", "DROP TRIGGER ParseData_Update", 18, true},
      {"the fights' tables emptied", "DELETE FROM TickRuns; DELETE FROM Fights", 18, true},
      {"the seconds dropped", "DROP TABLE MobSeconds", 18, true},
      // Last: Get Log keeps the stored spell table.
      {"a spell the table now says crits", "UPDATE SpellDat SET Dmg = 95 WHERE Spell = 'Splurt.'",
       18, true},
  };
  auto schema = [&] {
    Database db(db_);
    std::vector<std::string> objects;
    for (const SchemaObject& o : SchemaObjectsOf(db)) objects.push_back(o.Type + " " + o.Sql);
    std::sort(objects.begin(), objects.end());
    return objects;
  };
  auto inode = [&] {
    struct stat st {};
    EXPECT_EQ(::stat(db_.c_str(), &st), 0);
    return st.st_ino;
  };
  GetLog("edge");
  const std::string made = Stored();
  const std::vector<std::string> madeSchema = schema();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GetLog("edge");
    Database(db_).ExecuteNative(c.edit);
    const std::string bytes = test::ReadFile(db_);
    const auto before = inode();

    EXPECT_EQ(GetPrevious(c.timer).EventList.Rows.size(), c.timer == 18 ? 11u : 9u);
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(test::ReadFile(db_) != bytes, c.written);
    EXPECT_FALSE(TempLeft());
    EXPECT_EQ(schema(), madeSchema);
    if (std::string(c.what) == "a spell the table now says crits") {
      Database db(db_);
      Statement crit(db, "SELECT Crit FROM ParseData WHERE Dmg = 191");  // 2 x 95 or more
      ASSERT_TRUE(crit.Step());
      EXPECT_EQ(crit.ColumnInt(0), -1);
    } else if (c.timer == 18) {
      EXPECT_EQ(Stored(), made);
    }
  }
}

TEST_F(RecoveryTest, AReadOnlyDatabaseIsReportedAndLeftAsItIs) {
  GetLog("edge");
  fs::permissions(db_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  GetPrevious(30);
  EXPECT_EQ(fs::status(db_).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  const std::string before = Stored();
  const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(db_, readOnly);
  for (const auto& command :
       std::vector<std::function<void()>>{[&] { GetLog("dense"); }, [&] { GetPrevious(18); }}) {
    try {
      command();
      ADD_FAILURE() << "a read-only database was written";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("read-only"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(fs::status(db_).permissions(), readOnly);
  EXPECT_EQ(Stored(), before);
  EXPECT_FALSE(TempLeft());
}

TEST_F(RecoveryTest, ASymbolicLinkIsFollowedAndStays) {
  fs::create_directory(dir_.path() / "elsewhere");
  fs::create_symlink("elsewhere/parse.mdb", db_);
  const fs::path target = dir_.path() / "elsewhere" / "parse.mdb";

  EXPECT_EQ(GetLog("edge").EventList.Rows.size(), 11u);
  EXPECT_EQ(GetPrevious(30).EventList.Rows.size(), 9u);
  EXPECT_TRUE(fs::is_symlink(db_));
  EXPECT_EQ(fs::read_symlink(db_), "elsewhere/parse.mdb");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
  EXPECT_FALSE(TempLeft());
  EXPECT_FALSE(fs::exists(dir_.path() / "elsewhere" / "Temp.mdb"));
  // The rows are in the file the link names.
  EXPECT_EQ(test::DumpTable(target.string(), "ParseData"), test::DumpTable(db_, "ParseData"));
  EXPECT_EQ(GetPrevious(30).EventList.Rows.size(), 9u);
}

TEST_F(RecoveryTest, AnotherRunStoringInTheSameFolderIsToldApart) {
  GetLog("edge");
  // The lock a running Get Log holds on its working file.
  const std::string temp = (dir_.path() / "Temp.mdb").string();
  test::WriteFile(temp, "");
  FILE* held = std::fopen(temp.c_str(), "r");
  ASSERT_NE(held, nullptr);
  ASSERT_EQ(::flock(fileno(held), LOCK_EX | LOCK_NB), 0);
  try {
    GetLog("dense");
    ADD_FAILURE() << "two runs built into one file";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("Another copy of the program"), std::string::npos)
        << e.what();
  }
  std::fclose(held);
  EXPECT_EQ(GetPrevious().EventList.Rows.size(), 11u);  // a Temp.mdb left over is taken over
  EXPECT_FALSE(TempLeft());
}

// Leaves `db` in write-ahead-log mode with changes that only its log holds,
// as a program does that stops without a checkpoint.
void LeaveLogWithFrames(const std::string& db) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
  sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  ASSERT_EQ(sqlite3_exec(raw,
                         "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0; "
                         "UPDATE ParseData SET Mob = 'stale', Dmg = Dmg + 1; "
                         "DELETE FROM SpellCastResist WHERE RecNum % 2 = 0",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);
  ASSERT_GT(fs::file_size(db + "-wal"), 0u);
}

TEST_F(RecoveryTest, ALogLeftByAnotherProgramNeverMeetsTheNewParse) {
  GetLog("edge");
  const std::string edge = Stored();
  struct Case {
    const char* what;
    std::function<void(const std::string&)> after;  // done to the file once its log is left
    bool movedAside;
  };
  const Case cases[] = {
      {"the stored file in use", [](const std::string&) {}, false},
      {"the stored file damaged", [](const std::string& db) { fs::resize_file(db, 0); }, true},
      {"no stored file", [](const std::string& db) { fs::remove(db); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      if (entry.path().filename().string().starts_with("QornDB.mdb.damaged-")) {
        fs::remove_all(entry.path());
      }
    }
    GetLog("realistic");
    LeaveLogWithFrames(db_);
    c.after(db_);
    EXPECT_EQ(GetLog("edge").EventList.Rows.size(), 11u);
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
      EXPECT_FALSE(fs::exists(db_ + suffix)) << suffix;
    }
    EXPECT_EQ(Stored(), edge);
    EXPECT_EQ(QuickCheckDatabaseFile(db_), "");
    const auto aside = MovedAside();
    ASSERT_EQ(aside.size(), c.movedAside ? 1u : 0u);
    // A file moved aside keeps its log beside it, under its new name.
    if (c.movedAside) {
      EXPECT_GT(fs::file_size(aside[0].string() + "-wal"), 0u);
    }
  }
}

TEST_F(RecoveryTest, AProgramStillWritingTheStoredFileInItsLogIsWaitedFor) {
  GetLog("edge");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(db_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "PRAGMA journal_mode = WAL; UPDATE ParseData SET Dmg = Dmg + 1",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  const std::string before = Stored();
  try {
    GetLog("dense");
    ADD_FAILURE() << "a file another program writes through its log was replaced";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("Another program is using"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(Stored(), before);
  EXPECT_FALSE(TempLeft());
  sqlite3_close(other);
  EXPECT_EQ(GetLog("edge").EventList.Rows.size(), 11u);
}

// A Temp.mdb that is no plain file was not made by the program: it is moved
// aside as it is, and every Get Log after it works.
TEST_F(RecoveryTest, AWorkingFileThatIsNoFileIsSteppedAround) {
  const std::string temp = (dir_.path() / "Temp.mdb").string();
  const std::vector<std::pair<const char*, std::function<void()>>> kinds = {
      {"a folder", [&] { fs::create_directories(fs::path(temp) / "inside"); }},
      {"a link to a file", [&] { fs::create_symlink(db_, temp); }},
      {"a dangling link", [&] { fs::create_symlink("nowhere.mdb", temp); }},
      {"a pipe", [&] { ASSERT_EQ(::mkfifo(temp.c_str(), 0600), 0); }},
  };
  for (const auto& [what, make] : kinds) {
    SCOPED_TRACE(what);
    GetLog("realistic");
    make();
    EXPECT_EQ(GetLog("edge").EventList.Rows.size(), 11u);
    EXPECT_EQ(GetPrevious(30).EventList.Rows.size(), 9u);
    EXPECT_FALSE(TempLeft());
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(db_)));
    // What stood there is kept, and a link's file was never written through.
    size_t kept = 0;
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      if (entry.path().filename().string().starts_with("Temp.mdb.damaged-")) {
        ++kept;
        fs::remove_all(entry.path());
      }
    }
    EXPECT_EQ(kept, 1u);
    EXPECT_FALSE(fs::exists(dir_.path() / "nowhere.mdb"));
  }
}

}  // namespace
}  // namespace qorn
