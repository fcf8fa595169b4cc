// A parse database of the earlier form, which kept the per-second sums as
// MobSlots and SlotChunks (column Slots) and noted them as SlotsValid: it is
// read as it is, and the first command that writes it carries it into the
// form the program makes now, losing nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "commands/commands.h"
#include "commands/program_folder.h"
#include "store/database.h"
#include "store/event_overview.h"
#include "store/parse_state.h"
#include "store/schema.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"
#include "views/dot_breakdown.h"

namespace qorn {
namespace {

// Turns a file the program made into one of the earlier form: its sums'
// tables, their column and their note under the earlier names, and the
// triggers that drop the note under its earlier name.
void MakeEarlierForm(const std::string& path) {
  Database db(path, OpenMode::kExisting);
  db.ExecuteNative(
      "ALTER TABLE MobSeconds RENAME TO MobSlots; ALTER TABLE MobSlots RENAME COLUMN Seconds TO "
      "Slots; ALTER TABLE SecondChunks RENAME TO SlotChunks; ALTER TABLE SlotChunks RENAME COLUMN "
      "Seconds TO Slots; UPDATE ParseState SET Name = 'SlotsValid' WHERE Name = 'SecondsValid'");
  std::vector<std::pair<std::string, std::string>> triggers;
  Statement all(db, "SELECT name, sql FROM sqlite_master WHERE type = 'trigger'");
  while (all.Step()) triggers.emplace_back(all.ColumnText(0), all.ColumnText(1));
  for (auto& [name, sql] : triggers) {
    for (size_t at; (at = sql.find("'SecondsValid'")) != std::string::npos;) {
      sql.replace(at, 14, "'SlotsValid'");
    }
    db.ExecuteNative("DROP TRIGGER " + name + "; " + sql);
  }
}

// Replaces each `from` in `text` with `to`.
std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Turns a file the program made into one of the earlier form that kept a tick
// run per tick (a fight's rows of one mob in one tick), with its table, the
// view that read a row's tick from its run and the trigger that wrote runs
// of no fight, its cut noted as current.
void MakeRunPerTickForm(const std::string& path) {
  Database db(path, OpenMode::kExisting);
  std::vector<std::string> triggers;
  Statement all(db, "SELECT sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 'ParseData'");
  while (all.Step()) {
    triggers.push_back(Replaced(
        Replaced(std::string(all.ColumnText(0)), "ToTime, BaseSecond)", "ToTime)"),
        "NEW.DTime, NEW.DTime, NULL);", "NEW.DTime, NEW.DTime);"));
  }
  db.ExecuteNative(
      "CREATE TABLE PerTick AS SELECT f.FightKey AS FightKey, p.TickNum AS TickNum, r.MobKey AS "
      "MobKey, min(p.DTime) AS FromTime, max(p.DTime) AS ToTime FROM ParseData p JOIN DamageRows "
      "r ON r.RecNum = p.RecNum JOIN Fights f ON f.EventNum = p.EventNum GROUP BY f.FightKey, "
      "r.MobKey, p.TickNum;"
      "DROP VIEW ParseData; DROP TABLE TickRuns;"
      "CREATE TABLE TickRuns (\n  FightKey INTEGER,\n  TickNum INTEGER,\n  MobKey INTEGER,\n"
      "  FromTime REAL,\n  ToTime REAL\n);"
      "INSERT INTO TickRuns SELECT * FROM PerTick; DROP TABLE PerTick;"
      "CREATE INDEX TickRuns_Fight ON TickRuns (FightKey, TickNum);"
      "CREATE UNIQUE INDEX TickRuns_MobTime ON TickRuns (MobKey, FromTime);"
      "CREATE VIEW ParseData AS SELECT r.RecNum AS RecNum, r.DTime AS DTime, r.Who AS Who, "
      "r.Mob AS Mob, r.Dmg AS Dmg, r.Crit AS Crit, r.DmgSrc AS DmgSrc, r.DmgType AS DmgType, "
      "r.Cpower AS Cpower, r.Inten AS Inten, r.CoA AS CoA, r.Reserved AS Reserved, f.EventNum AS "
      "EventNum, t.TickNum AS TickNum, r.Color AS Color FROM Fights f JOIN TickRuns t ON "
      "t.FightKey = f.FightKey JOIN DamageRows r ON r.MobKey = t.MobKey AND r.DTime BETWEEN "
      "t.FromTime AND t.ToTime AND t.FromTime = (SELECT max(u.FromTime) FROM TickRuns u WHERE "
      "u.MobKey = r.MobKey AND u.FromTime <= r.DTime)");
  for (const std::string& trigger : triggers) db.ExecuteNative(trigger);
  NoteStoredCut(db, 18);
}

std::vector<std::string> Schema(const std::string& path) {
  Database db(path, OpenMode::kExisting);
  std::vector<std::string> objects;
  for (const SchemaObject& o : SchemaObjectsOf(db)) objects.push_back(o.Type + " " + o.Sql);
  std::sort(objects.begin(), objects.end());
  return objects;
}

// The sums and what the parse notes of them, under either name.
std::string Sums(const std::string& path) {
  Database db(path, OpenMode::kExisting);
  return test::DumpSums(db) + "earlier notes " +
         std::to_string(QueryInt(db, "SELECT count(*) FROM ParseState WHERE Name = 'SlotsValid'"));
}

class EarlierFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string made = dir_.File("made.txt");
    const std::string command = std::string(QORN_GENLOG) +
                                " --size 100K --shape realistic --seed 7 --name Qornek --out " +
                                made + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    whole_ = test::ReadFile(made);
    cut_ = whole_.find('\n', whole_.size() / 2) + 1;
  }

  // Get Log of the log (cut at `bytes`) into a new program folder.
  std::string GetLog(const std::string& name, size_t bytes) {
    const std::string folder = dir_.File(name);
    std::filesystem::create_directories(folder);
    NullProgress none;
    RunGetLog(folder, dir_.Write(name + ".txt", whole_.substr(0, bytes)), "Qornek", 18,
              {none, none});
    return folder;
  }
  static std::string Db(const std::string& folder) {
    return InProgramFolder(folder, kDatabaseFile);
  }
  static std::string Stored(const std::string& folder) {
    NullProgress none;
    return test::DumpTable(Db(folder), "ParseData") +
           test::DumpTable(Db(folder), "SpellCastResist") +
           test::DumpOverview(FillEventList(Db(folder), none));
  }

  test::TempDir dir_;
  std::string whole_;
  size_t cut_ = 0;
};

TEST_F(EarlierFormTest, IsReadAsItIsAndCarriedIntoTheNewFormOnce) {
  const std::string made = GetLog("made", cut_);
  const std::string madeStored = Stored(made);
  const std::string madeSums = Sums(Db(made));
  const std::vector<std::string> madeSchema = Schema(Db(made));
  const std::vector<ListRow> madeDots = FillDotBreakdown(Db(made), 1);
  ASSERT_NE(madeSums.find("note SecondsValid"), std::string::npos);

  struct Case {
    const char* what;
    const char* edit;     // made to the file of the earlier form
    bool earlier = true;  // else to a file of the new form
  };
  // The sums are carried over when they are current and of the earlier form,
  // else made again from the rows: either way they are what Get Log made.
  const Case cases[] = {
      {"as the earlier version left it", ""},
      {"its sums stale", "DELETE FROM ParseState WHERE Name = 'SlotsValid'"},
      {"a table of its sums of another form",
       "ALTER TABLE SlotChunks RENAME COLUMN Chunk TO Piece"},
      {"the earlier tables beside those of the new form",
       "CREATE TABLE MobSlots (MobKey INTEGER PRIMARY KEY, Mob TEXT COLLATE NOCASE UNIQUE, Slots "
       "BLOB); CREATE TABLE SlotChunks (MobKey INTEGER, Chunk INTEGER, Slots BLOB, PRIMARY KEY "
       "(MobKey, Chunk)); INSERT INTO ParseState VALUES ('SlotsValid', '0 0 0')",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      SCOPED_TRACE("read only");
      const std::string folder = GetLog(std::string("read-") + c.what, cut_);
      if (c.earlier) MakeEarlierForm(Db(folder));
      Database(Db(folder), OpenMode::kExisting).ExecuteNative(c.edit);
      EXPECT_EQ(Stored(folder), madeStored);
      EXPECT_EQ(FillDotBreakdown(Db(folder), 1), madeDots);
    }
    {
      SCOPED_TRACE("Get Previous");
      const std::string folder = GetLog(std::string("previous-") + c.what, cut_);
      if (c.earlier) MakeEarlierForm(Db(folder));
      Database(Db(folder), OpenMode::kExisting).ExecuteNative(c.edit);
      NullProgress none;
      RunGetPrevious(folder, 18, {none, none});
      EXPECT_EQ(Schema(Db(folder)), madeSchema);
      EXPECT_EQ(Sums(Db(folder)), madeSums);
      EXPECT_EQ(Stored(folder), madeStored);
    }
    {
      SCOPED_TRACE("Get Log of appended lines");
      const std::string folder = GetLog(std::string("appended-") + c.what, cut_);
      if (c.earlier) MakeEarlierForm(Db(folder));
      Database(Db(folder), OpenMode::kExisting).ExecuteNative(c.edit);
      struct stat before {};
      ASSERT_EQ(::stat(Db(folder).c_str(), &before), 0);
      const std::string grown = GetLog(std::string("appended-") + c.what, whole_.size());
      struct stat after {};
      ASSERT_EQ(::stat(Db(folder).c_str(), &after), 0);
      EXPECT_EQ(after.st_ino, before.st_ino) << "the appended lines were not read on their own";
      const std::string full = GetLog(std::string("full-") + c.what, whole_.size());
      EXPECT_EQ(Schema(Db(grown)), madeSchema);
      EXPECT_EQ(Sums(Db(grown)), Sums(Db(full)));
      EXPECT_EQ(Stored(grown), Stored(full));
    }
  }
  {
    SCOPED_TRACE("a whole Get Log");
    const std::string folder = GetLog("whole", cut_);
    MakeEarlierForm(Db(folder));
    NullProgress none;
    RunGetLog(folder, dir_.Write("other.txt", whole_), "Qornek", 18, {none, none},
              {.ReadWhole = true});
    const std::string full = GetLog("full", whole_.size());
    EXPECT_EQ(Schema(Db(folder)), madeSchema);
    EXPECT_EQ(Sums(Db(folder)), Sums(Db(full)));
    EXPECT_EQ(Stored(folder), Stored(full));
  }
}

TEST_F(EarlierFormTest, RunsOfATickEachAreReadAsTheyAreAndMadeAnewOnce) {
  const std::string made = GetLog("made", cut_);
  const std::string madeStored = Stored(made);
  const std::vector<std::string> madeSchema = Schema(Db(made));
  const std::vector<ListRow> madeDots = FillDotBreakdown(Db(made), 1);
  auto runs = [](const std::string& folder) {
    Database db(Db(folder), OpenMode::kReadOnly);
    return QueryInt(db, "SELECT count(*) FROM TickRuns");
  };
  {
    SCOPED_TRACE("read only");
    const std::string folder = GetLog("read", cut_);
    MakeRunPerTickForm(Db(folder));
    ASSERT_GT(runs(folder), runs(made));
    EXPECT_EQ(Stored(folder), madeStored);
    EXPECT_EQ(FillDotBreakdown(Db(folder), 1), madeDots);
  }
  {
    SCOPED_TRACE("Get Previous, with the timer of the stored cut");
    const std::string folder = GetLog("previous", cut_);
    MakeRunPerTickForm(Db(folder));
    NullProgress none;
    RunGetPrevious(folder, 18, {none, none});
    EXPECT_EQ(Schema(Db(folder)), madeSchema);
    EXPECT_EQ(runs(folder), runs(made));
    EXPECT_EQ(Stored(folder), madeStored);
    // Carried over once: the next Get Previous finds the cut it made.
    const std::string carried = test::ReadFile(Db(folder));
    RunGetPrevious(folder, 18, {none, none});
    EXPECT_TRUE(test::ReadFile(Db(folder)) == carried) << "the cut was written again";
  }
  {
    SCOPED_TRACE("Get Log of appended lines");
    const std::string folder = GetLog("appended", cut_);
    MakeRunPerTickForm(Db(folder));
    struct stat before {};
    ASSERT_EQ(::stat(Db(folder).c_str(), &before), 0);
    const std::string grown = GetLog("appended", whole_.size());
    struct stat after {};
    ASSERT_EQ(::stat(Db(folder).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the appended lines were not read on their own";
    const std::string full = GetLog("full", whole_.size());
    EXPECT_EQ(Schema(Db(grown)), madeSchema);
    EXPECT_EQ(runs(grown), runs(full));
    EXPECT_EQ(Stored(grown), Stored(full));
  }
}

}  // namespace
}  // namespace qorn
