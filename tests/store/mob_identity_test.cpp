// Which mob a text names and under which key: one rule for the whole Get
// Log, the appended lines and the sums made again from the rows.
#include "store/mob_identity.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/program_folder.h"
#include "store/database.h"
#include "store/seconds_format.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

// "key:spelling" of each text looked up in turn, after the stored mobs.
std::vector<std::string> Lookups(const std::vector<MobIdentity::Mob>& stored,
                                 const std::vector<std::string>& texts, MobIdentity& mobs) {
  for (const MobIdentity::Mob& m : stored) mobs.AddStored(m.Key, m.Spellings);
  std::vector<std::string> out;
  for (const std::string& text : texts) {
    const MobIdentity::Found of = mobs.Of(text);
    out.push_back(std::to_string(mobs.KeyOf(of.Mob)) + ":" + std::to_string(of.Spelling));
  }
  return out;
}

TEST(MobIdentity, OneMobPerTextWithoutCaseKeyedByItsFirstRow) {
  struct Case {
    const char* what;
    std::vector<MobIdentity::Mob> stored;
    std::vector<std::string> texts;
    std::vector<std::string> found;
    std::vector<MobIdentity::Mob> mobs;  // afterwards
  };
  const Case cases[] = {
      {"texts that differ only in case are one mob, its spellings in the order met",
       {},
       {"a gnoll", "A gnoll", "a rat", "a gnoll", "A GNOLL", "A gnoll"},
       {"1:0", "1:1", "2:0", "1:0", "1:2", "1:1"},
       {{1, {"a gnoll", "A gnoll", "A GNOLL"}}, {2, {"a rat"}}}},
      {"the empty mob is a mob of its own",
       {},
       {"", "a gnoll", ""},
       {"1:0", "2:0", "1:0"},
       {{1, {""}}, {2, {"a gnoll"}}}},
      {"only A-Z fold, as the database compares: other letters keep their case",
       {},
       {"\xC3\x84rger", "\xC3\xA4rger", "\xC3\x84RGER"},
       {"1:0", "2:0", "1:1"},
       {{1, {"\xC3\x84rger", "\xC3\x84RGER"}}, {2, {"\xC3\xA4rger"}}}},
      {"stored mobs keep their keys and spellings; a new mob takes the key past the largest",
       {{5, {"a rat", "A rat"}}, {2, {"a gnoll"}}},
       {"A RAT", "a bat", "A gnoll", "A rat", "a cat"},
       {"5:2", "6:0", "2:1", "5:1", "7:0"},
       {{5, {"a rat", "A rat", "A RAT"}},
        {2, {"a gnoll", "A gnoll"}},
        {6, {"a bat"}},
        {7, {"a cat"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MobIdentity mobs;
    EXPECT_EQ(Lookups(c.stored, c.texts, mobs), c.found);
    ASSERT_EQ(mobs.Mobs().size(), c.mobs.size());
    for (size_t m = 0; m < c.mobs.size(); ++m) {
      EXPECT_EQ(mobs.Mobs()[m].Key, c.mobs[m].Key);
      EXPECT_EQ(mobs.Mobs()[m].Spellings, c.mobs[m].Spellings);
    }
  }
}

// A log of Soandso's DoT ticks and direct damage on mobs spelled in
// several ways, a line a second.
std::string Log(const std::vector<std::string>& messages) {
  std::string log;
  for (size_t i = 0; i < messages.size(); ++i) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "[Fri Dec 04 17:00:%02zu 2026] ", i);
    log += stamp + messages[i] + "\n";
  }
  return log;
}

const std::vector<std::string> kMessages = {
    "a rat has taken 1 damage from your Splurt.",
    "A gnoll has taken 5 damage from your Splurt.",
    "You hit a gnoll for 7 points of magic damage by Splurt.",
    "A rat has taken 2 damage from your Splurt.",
    "A GNOLL has taken 5 damage from your Splurt.",
    "a bat has taken 3 damage from your Splurt.",
    "You hit a gnoll for 9 points of magic damage by Splurt.",
    "a rat has taken 1 damage from your Splurt.",
};

// The stored keys: each row's, and each mob's line "key: spellings".
std::vector<std::string> StoredKeys(const std::string& db) {
  Database file(db, OpenMode::kExisting);
  std::vector<std::string> out;
  std::string rows = "rows:";
  Statement keys(file, "SELECT MobKey FROM DamageRows ORDER BY RecNum");
  while (keys.Step()) rows += " " + std::to_string(keys.ColumnInt(0));
  out.push_back(rows);
  Statement mobs(file, "SELECT MobKey, Mob, Seconds FROM MobSeconds ORDER BY MobKey");
  while (mobs.Step()) {
    std::string line = std::to_string(mobs.ColumnInt(0)) + ":";
    const std::optional<MobSeconds> mob = DecodeMob(mobs.ColumnInt(0), mobs.ColumnBlob(2));
    EXPECT_TRUE(mob.has_value());
    if (mob) {
      EXPECT_EQ(mob->Texts.front(), mobs.ColumnText(1));
      for (const std::string& t : mob->Texts) line += " [" + t + "]";
    }
    out.push_back(line);
  }
  return out;
}

TEST(MobIdentity, KeysAndSpellingsAreTheSameWhicheverPathStoredTheRows) {
  const std::vector<std::string> want = {
      "rows: 1 2 2 1 2 3 2 1",
      "1: [a rat] [A rat]",
      "2: [A gnoll] [a gnoll] [A GNOLL]",
      "3: [a bat]",
  };
  const std::string whole = Log(kMessages);
  NullProgress none;
  {
    SCOPED_TRACE("the whole log");
    test::TempDir dir;
    RunGetLog(dir.path().string(), dir.Write("log.txt", whole), "Soandso", 18, {none, none});
    EXPECT_EQ(StoredKeys(InProgramFolder(dir.path().string(), kDatabaseFile)), want);
  }
  // Cut where the appended lines bring a new spelling of a stored mob, a new
  // mob, or only mobs and spellings met before.
  for (const size_t lines : {size_t{1}, size_t{3}, size_t{5}, size_t{7}}) {
    SCOPED_TRACE("appended after line " + std::to_string(lines));
    test::TempDir dir;
    const std::string folder = dir.path().string();
    const std::string db = InProgramFolder(folder, kDatabaseFile);
    const std::string log = dir.Write(
        "log.txt", Log(std::vector<std::string>(kMessages.begin(), kMessages.begin() + lines)));
    RunGetLog(folder, log, "Soandso", 18, {none, none});
    struct stat before {};
    ASSERT_EQ(::stat(db.c_str(), &before), 0);
    test::WriteFile(log, whole);
    RunGetLog(folder, log, "Soandso", 18, {none, none});
    struct stat after {};
    ASSERT_EQ(::stat(db.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the appended lines were not read on their own";
    EXPECT_EQ(StoredKeys(db), want);
  }
  // The sums made again from the rows: the rows keep their keys where each
  // mob's rows carry one of their own, else each mob takes its key by its
  // first row again.
  struct Edit {
    const char* what;
    const char* sql;
    std::vector<std::string> keys;
  };
  const Edit edits[] = {
      {"the keys as stored", "DELETE FROM ParseState WHERE Name = 'SecondsValid'", want},
      {"every key moved, each mob's rows still on one",
       "UPDATE DamageRows SET MobKey = 10 * MobKey",
       {"rows: 10 20 20 10 20 30 20 10", "10: [a rat] [A rat]", "20: [A gnoll] [a gnoll] [A GNOLL]",
        "30: [a bat]"}},
      {"two mobs' rows on one key", "UPDATE DamageRows SET MobKey = 1", want},
      {"a mob's rows on two keys", "UPDATE DamageRows SET MobKey = 4 WHERE RecNum = 7", want},
      {"a row without a key", "UPDATE DamageRows SET MobKey = NULL WHERE RecNum = 0", want},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.what);
    test::TempDir dir;
    const std::string folder = dir.path().string();
    RunGetLog(folder, dir.Write("log.txt", whole), "Soandso", 18, {none, none});
    const std::string db = InProgramFolder(folder, kDatabaseFile);
    Database(db, OpenMode::kExisting).ExecuteNative(e.sql);
    RunGetPrevious(folder, 18, {none, none});
    EXPECT_EQ(StoredKeys(db), e.keys);
  }
}

}  // namespace
}  // namespace qorn
