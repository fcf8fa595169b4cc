// Get Log of a log that the game appended to reads only the appended lines,
// and the stored parse is then exactly what Get Log of the whole log gives:
// rows, RecNums, event and tick numbers, crit marks, casts and overview.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>

#include "common/error.h"
#include "commands/commands.h"
#include "store/database.h"
#include "commands/program_folder.h"
#include "support/carry_over_log.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

// Calls `hook` with each value a bar is given.
struct HookedBar : Progress {
  std::function<void()> hook;
  void SetVisible(bool) override {}
  void SetMaximum(double) override {}
  void SetValue(double) override {
    if (hook) hook();
  }
};

// A program folder with its parse database.
struct Home {
  test::TempDir dir;
  std::string folder = dir.path().string();
  std::string db = InProgramFolder(folder, kDatabaseFile);

  CommandOutcome GetLog(const std::string& log, const std::string& name, int16_t timer = 18) {
    NullProgress none;
    return RunGetLog(folder, log, name, timer, {none, none});
  }
  // The stored parse and the overview it gives, all of it.
  std::string Stored(const CommandOutcome& outcome) const {
    return test::DumpTable(db, "ParseData") + test::DumpTable(db, "SpellCastResist") +
           test::DumpOverview(outcome.EventList);
  }
  uint64_t Inode() const {
    struct stat st {};
    return ::stat(db.c_str(), &st) == 0 ? st.st_ino : 0;
  }
};

class AppendedLogTest : public ::testing::Test {
 protected:
  // Get Log of `whole` cut at `cut`, then of the whole; returns whether the
  // second read only the appended bytes (the file was written in place).
  bool GrowAndCompare(const std::string& whole, size_t cut, const std::string& name,
                      const std::string& label) {
    return GrowAndCompare(whole, cut, name, label, WholeParse(whole, name));
  }
  bool GrowAndCompare(const std::string& whole, size_t cut, const std::string& name,
                      const std::string& label, const std::string& want) {
    SCOPED_TRACE(label + ", cut at byte " + std::to_string(cut));

    Home grown;
    const std::string log = grown.dir.Write("log.txt", whole.substr(0, cut));
    grown.GetLog(log, name);
    const uint64_t before = grown.Inode();
    {
      std::FILE* f = std::fopen(log.c_str(), "ab");
      std::fwrite(whole.data() + cut, 1, whole.size() - cut, f);
      std::fclose(f);
    }
    const std::string got = grown.Stored(grown.GetLog(log, name));
    EXPECT_TRUE(got == want) << test::FirstDifference(want, got);
    return grown.Inode() == before;
  }

  // What Get Log of the whole log stores.
  static std::string WholeParse(const std::string& whole, const std::string& name) {
    Home full;
    const std::string log = full.dir.Write("log.txt", whole);
    return full.Stored(full.GetLog(log, name));
  }

  std::string Generate(const char* shape, const char* size) {
    const std::string log = dir_.File(std::string(shape) + ".txt");
    const std::string command = std::string(QORN_GENLOG) + " --size " + size + " --shape " + shape +
                                " --seed 3 --name Qornek --out " + log;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return test::ReadFile(log);
  }

  test::TempDir dir_;
};

TEST_F(AppendedLogTest, EveryShapeGrownAtRandomPointsGivesTheWholeLogsParse) {
  struct Shape {
    const char* name;
    const char* size;
  };
  const Shape shapes[] = {{"realistic", "200K"}, {"lf", "100K"},      {"says", "100K"},
                          {"tells", "100K"},     {"dense", "100K"},   {"pets", "200K"},
                          {"mobs", "100K"},      {"brackets", "100K"}};
  std::mt19937 random(7);
  int appended = 0;
  for (const Shape& shape : shapes) {
    const std::string whole = Generate(shape.name, shape.size);
    ASSERT_GT(whole.size(), 1000u);
    const std::string want = WholeParse(whole, "Qornek");
    for (int i = 0; i < 3; ++i) {
      // A cut anywhere (inside a line too), and one at the line start behind it.
      size_t cut = std::uniform_int_distribution<size_t>(1, whole.size() - 1)(random);
      GrowAndCompare(whole, cut, "Qornek", shape.name, want);
      cut = whole.find('\n', cut);
      if (cut == std::string::npos) continue;
      if (GrowAndCompare(whole, cut + 1, "Qornek", shape.name, want)) ++appended;
    }
  }
  // Most cuts at a line start read only what was appended.
  EXPECT_GE(appended, 12);
}

// Lines of Soandso at `second` seconds after 17:00 on 4 Dec 2026: a DoT tick
// or a direct hit on `mob`.
std::string Tick(int second, const char* mob) {
  char line[160];
  std::snprintf(line, sizeof line, "[Fri Dec 04 17:%02d:%02d 2026] %s has taken 50 damage from your Splurt.\n",
                second / 60, second % 60, mob);
  return line;
}
std::string Hit(int second, const char* mob) {
  char line[160];
  std::snprintf(line, sizeof line,
                "[Fri Dec 04 17:%02d:%02d 2026] Soandso hit %s for 700 points of non-melee damage.\n",
                second / 60, second % 60, mob);
  return line;
}

TEST_F(AppendedLogTest, TheFightsOfTheMobsTheAppendedLinesAreOnAreCutAgainAsTheWholeLogCutsThem) {
  // Only the fights of the mobs the appended lines are on are cut again, from
  // the fight that held their last second before the appended ones; the
  // others keep theirs under the numbers they now have.
  struct Case {
    const char* what;
    std::string before;
    std::string appended;
  };
  const std::string three = Tick(0, "a gnoll") + Tick(6, "a rat") + Tick(100, "a rat");
  const Case cases[] = {
      {"a fight grows", three, Tick(12, "a gnoll")},
      {"a mob's new fight moves the mobs after it on", three, Tick(200, "a gnoll")},
      {"a new mob between stored ones", three, Tick(50, "a hare")},
      {"a new first mob", three, Tick(50, "a bat") + Tick(300, "a rat")},
      {"several mobs grow, one by a new fight", three,
       Tick(10, "a gnoll") + Tick(106, "a rat") + Tick(300, "a gnoll")},
      {"a line earlier than those stored joins two fights", Tick(0, "a gnoll") + Tick(30, "a gnoll"),
       Tick(15, "a gnoll")},
      {"an earlier DoT tick moves a fight's anchor",
       Hit(0, "a gnoll") + Tick(10, "a gnoll") + Hit(20, "a rat"), Tick(4, "a gnoll")},
      {"rows before the first DoT tick grow", Hit(0, "a gnoll") + Tick(10, "a gnoll"),
       Hit(14, "a gnoll") + Tick(20, "a gnoll")},
      {"the empty mob, cut with the mob after it", Tick(0, "") + three,
       Tick(3, "") + Tick(8, "a gnoll")},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(GrowAndCompare(c.before + c.appended, c.before.size(), "Soandso", c.what))
        << c.what << ": the appended lines were not read on their own";
  }
  // Seven mobs fought around the clock: every mob grows.
  const std::string camp = Generate("camp", "300K");
  std::mt19937 random(11);
  for (int i = 0; i < 3; ++i) {
    const size_t cut = camp.find('\n', std::uniform_int_distribution<size_t>(
                                           camp.size() / 2, camp.size() - 2)(random)) + 1;
    EXPECT_TRUE(GrowAndCompare(camp, cut, "Qornek", "camp"));
  }
}

TEST_F(AppendedLogTest, LinesThatDependOnLinesAboveCarryOverAtEveryLineStart) {
  // Buffs, the Guardian's mob, a fizzle or interrupt of the last cast, a pet
  // named on the first line.
  std::vector<long long> lineStarts;
  const std::string log = test::CarryOverLog(&lineStarts);
  for (size_t i = 1; i < lineStarts.size(); ++i) {
    const bool appended = GrowAndCompare(log, static_cast<size_t>(lineStarts[i]), "Soandso",
                                         "line " + std::to_string(i));
    // The first lines hold no cast and no damage: Get Log of them stores nothing.
    if (i > 2) {
      EXPECT_TRUE(appended) << "the lines from line " << i << " were not read on their own";
    }
  }
}

TEST_F(AppendedLogTest, EveryLineEndLetsTheAppendedLinesBeReadAlone) {
  const std::string lf = test::CarryOverLog();
  auto withEnds = [&](const std::string& end) {
    std::string out;
    for (char c : lf) {
      if (c == '\n') {
        out += end;
      } else {
        out += c;
      }
    }
    return out;
  };
  struct Case {
    const char* what;
    std::string log;
    size_t back;  // the cut stands this many bytes before a line's start
  };
  const Case cases[] = {
      {"line feeds", lf, 0},
      {"carriage returns alone", withEnds("\r"), 0},
      {"carriage returns and line feeds", withEnds("\r\n"), 0},
      {"between a carriage return and its line feed", withEnds("\r\n"), 1},
  };
  for (const Case& c : cases) {
    const std::string want = WholeParse(c.log, "Soandso");
    // Cuts in the second half, where the stored parse holds damage.
    int alone = 0, cuts = 0;
    for (size_t at = c.log.size() / 2; at < c.log.size(); ++at) {
      if (c.log[at - 1] != '\n' && !(c.log[at - 1] == '\r' && c.log[at] != '\n')) continue;
      // Between the two bytes of a carriage return and line feed.
      if (c.back == 1 && c.log.compare(at - 2, 2, "\r\n") != 0) continue;
      const size_t cut = at - c.back;
      ++cuts;
      if (GrowAndCompare(c.log, cut, "Soandso", c.what, want)) ++alone;
    }
    EXPECT_GT(cuts, 3) << c.what;
    EXPECT_EQ(alone, cuts) << c.what << ": some appended lines were read with the whole log";
  }
}

TEST_F(AppendedLogTest, APetFirstNamedInTheAppendedLinesAndHittingBeforeRereadsTheLog) {
  const std::string first =
      "[Fri Dec 04 17:00:01 2026] Kabobar hits a gnoll for 20 points of damage.\n"
      "[Fri Dec 04 17:00:02 2026] a gnoll has taken 5 damage from your Splurt.\n";
  const std::string later =
      "[Fri Dec 04 17:00:03 2026] Kabobar says 'Following you, Master.'\n"
      "[Fri Dec 04 17:00:04 2026] Kabobar hits a gnoll for 21 points of damage.\n";
  // The pet's first hit is a pet hit only once its name is known: the whole log is read.
  EXPECT_FALSE(GrowAndCompare(first + later, first.size(), "Soandso", "known before"));
  // A pet named only in the appended lines changes nothing before them.
  const std::string other =
      "[Fri Dec 04 17:00:01 2026] a gnoll has taken 5 damage from your Splurt.\n";
  EXPECT_TRUE(GrowAndCompare(other + later, other.size(), "Soandso", "new pet"));
}

TEST_F(AppendedLogTest, AReplacedCutShortOrEditedLogIsReadWhole) {
  const std::string a =
      "[Fri Dec 04 17:00:01 2026] a gnoll has taken 5 damage from your Splurt.\n"
      "[Fri Dec 04 17:00:07 2026] a gnoll has taken 6 damage from your Splurt.\n";
  const std::string b = "[Fri Dec 04 18:00:01 2026] a rat has taken 9 damage from your Splurt.\n";
  struct Case {
    const char* what;
    std::function<void(const std::string& log)> change;
  };
  const Case cases[] = {
      {"cut short",
       [&](const std::string& log) { test::WriteFile(log, a.substr(0, a.find('\n') + 1)); }},
      {"edited at its start, then grown",
       [&](const std::string& log) {
         std::string edited = a + b;
         edited[30] = 'X';
         test::WriteFile(log, edited);
       }},
      {"edited before its end, then grown",
       [&](const std::string& log) {
         std::string edited = a + b;
         edited[a.size() - 10] = '7';
         test::WriteFile(log, edited);
       }},
      {"replaced by another file",
       [&](const std::string& log) {
         const std::string other = log + ".new";
         test::WriteFile(other, a + b);
         fs::rename(other, log);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Home home;
    const std::string log = home.dir.Write("log.txt", a);
    home.GetLog(log, "Soandso");
    c.change(log);
    const std::string got = home.Stored(home.GetLog(log, "Soandso"));
    Home full;
    const std::string copy = full.dir.Write("log.txt", test::ReadFile(log));
    EXPECT_EQ(got, full.Stored(full.GetLog(copy, "Soandso")));
  }
  // Another character's Get Log of the same file reads it whole.
  Home home;
  const std::string log = home.dir.Write("log.txt", a);
  home.GetLog(log, "Soandso");
  const uint64_t before = home.Inode();
  test::WriteFile(log, a + b);
  const std::string got = home.Stored(home.GetLog(log, "Other"));
  EXPECT_NE(home.Inode(), before);
  Home full;
  const std::string copy = full.dir.Write("log.txt", a + b);
  EXPECT_EQ(got, full.Stored(full.GetLog(copy, "Other")));
}

TEST_F(AppendedLogTest, AnEditInTheMiddleIsSeenByTheSamplesAndReadWholeWhenAsked) {
  // A log of about 1 MB: its middle lies far from the head and the tail.
  std::string log;
  for (int i = 0; log.size() < (1 << 20); ++i) {
    const int s = i % 60, m = (i / 60) % 60, h = 10 + i / 3600;
    char line[120];
    std::snprintf(line, sizeof line,
                  "[Fri Dec 04 %02d:%02d:%02d 2026] a gnoll has taken %d damage from your "
                  "Splurt.\n",
                  h, m, s, 300 + i % 50);
    log += line;
  }
  const std::string more =
      "[Fri Dec 04 23:00:00 2026] a rat has taken 9 damage from your Splurt.\n";
  // Every amount in 16 KiB of the middle, each digit kept in its place.
  std::string edited = log;
  for (size_t at = edited.size() / 2; at < edited.size() / 2 + (16 << 10); ++at) {
    if (edited.compare(at, 7, "taken 3") == 0) edited[at + 6] = '4';
  }
  ASSERT_TRUE(edited != log);
  std::string oneByte = log;
  oneByte[oneByte.find("taken", oneByte.size() / 3) + 8] ^= 1;  // a digit, still a digit

  struct Case {
    const char* what;
    const std::string& changed;
    bool whole;  // Get Log asked to read the whole log
  };
  const Case cases[] = {
      {"an edit wider than the samples' spacing", edited, false},
      {"one byte, read whole when asked", oneByte, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Home home;
    const std::string path = home.dir.Write("log.txt", log);
    home.GetLog(path, "Soandso");
    test::WriteFile(path, c.changed + more);
    NullProgress none;
    const std::string got = home.Stored(
        RunGetLog(home.folder, path, "Soandso", 18, {none, none}, {.ReadWhole = c.whole}));
    EXPECT_EQ(got, WholeParse(c.changed + more, "Soandso"));
  }
}

TEST_F(AppendedLogTest, DamagedStoredSumsAreMadeAgainFromTheRows) {
  const std::string whole = Generate("realistic", "200K");
  const size_t cut = whole.find('\n', whole.size() * 2 / 3) + 1;
  const std::string wantGrown = WholeParse(whole, "Qornek");
  std::string wantCut;
  {
    Home full;
    const std::string log = full.dir.Write("log.txt", whole.substr(0, cut));
    wantCut = full.Stored(full.GetLog(log, "Qornek"));
  }
  const char* damages[] = {
      "DELETE FROM SecondChunks",
      "UPDATE SecondChunks SET Seconds = randomblob(length(Seconds)) WHERE rowid = (SELECT "
      "min(rowid) "
      "FROM SecondChunks)",
      "UPDATE SecondChunks SET Seconds = substr(Seconds, 1, 56) WHERE rowid = (SELECT max(rowid) "
      "FROM "
      "SecondChunks)",
      "UPDATE MobSeconds SET Seconds = randomblob(length(Seconds)) WHERE MobKey = 2",
      "DELETE FROM MobSeconds WHERE MobKey = 2",
      "UPDATE MobSeconds SET Seconds = NULL WHERE MobKey = 2",
      "DELETE FROM SecondChunks WHERE MobKey = 2; DELETE FROM MobSeconds WHERE MobKey = 2",
      "DELETE FROM MobSeconds; DELETE FROM SecondChunks",
      "DELETE FROM TickRuns",
      "DELETE FROM TickRuns WHERE FightKey = (SELECT max(FightKey) FROM Fights)",
  };
  for (const char* damage : damages) {
    SCOPED_TRACE(damage);
    Home home;
    const std::string log = home.dir.Write("log.txt", whole.substr(0, cut));
    home.GetLog(log, "Qornek");
    Database(home.db, OpenMode::kExisting).ExecuteNative(damage);
    NullProgress none;
    const std::string previous = home.Stored(RunGetPrevious(home.folder, 18, {none, none}));
    EXPECT_TRUE(previous == wantCut) << test::FirstDifference(wantCut, previous);

    Database(home.db, OpenMode::kExisting).ExecuteNative(damage);
    const uint64_t inode = home.Inode();
    test::WriteFile(log, whole);
    const std::string grown = home.Stored(home.GetLog(log, "Qornek"));
    EXPECT_TRUE(grown == wantGrown) << test::FirstDifference(wantGrown, grown);
    EXPECT_EQ(home.Inode(), inode) << "the appended lines were not read on their own";
  }
}

TEST_F(AppendedLogTest, ARowWithoutItsTimeIsADamagedDatabase) {
  const std::string whole = Generate("realistic", "100K");
  const size_t cut = whole.find('\n', whole.size() / 2) + 1;
  const char* edit = "UPDATE DamageRows SET DTime = NULL WHERE RecNum = 5";
  NullProgress none;
  {
    SCOPED_TRACE("Get Previous");
    Home home;
    home.GetLog(home.dir.Write("log.txt", whole), "Qornek");
    Database(home.db, OpenMode::kExisting).ExecuteNative(edit);
    try {
      RunGetPrevious(home.folder, 18, {none, none});
      ADD_FAILURE() << "a row without its time was cut into a fight";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("Get Log"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(home.db)) << "the damaged file was not moved aside";
  }
  {
    SCOPED_TRACE("Get Log of appended lines");
    Home home;
    const std::string log = home.dir.Write("log.txt", whole.substr(0, cut));
    home.GetLog(log, "Qornek");
    Database(home.db, OpenMode::kExisting).ExecuteNative(edit);
    test::WriteFile(log, whole);
    const CommandOutcome outcome = home.GetLog(log, "Qornek");
    EXPECT_NE(outcome.Notice.find("was damaged"), std::string::npos) << outcome.Notice;
    EXPECT_EQ(home.Stored(outcome), WholeParse(whole, "Qornek"));
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(home.dir.path())) {
      aside += entry.path().filename().string().starts_with("QornDB.mdb.damaged-");
    }
    EXPECT_EQ(aside, 1);
  }
}

TEST_F(AppendedLogTest, AStopAtAnyStepLeavesTheStoredParseOldOrNew) {
  std::vector<long long> lineStarts;
  const std::string log = test::CarryOverLog(&lineStarts);
  const auto cut = static_cast<size_t>(lineStarts[lineStarts.size() / 2]);
  Home home;
  const std::string path = home.dir.Write("log.txt", log.substr(0, cut));
  const std::string old = home.Stored(home.GetLog(path, "Soandso"));
  test::WriteFile(path, log);
  Home full;
  const std::string wholeLog = full.dir.Write("log.txt", log);
  const std::string grown = full.Stored(full.GetLog(wholeLog, "Soandso"));

  const std::string oldFile = test::ReadFile(home.db);
  bool finished = false;
  int stoppedOld = 0;
  for (int stopAt = 1; !finished && stopAt < 200; ++stopAt) {
    SCOPED_TRACE("stopped at step " + std::to_string(stopAt));
    HookedBar bar;
    int steps = 0;
    bar.hook = [&] {
      if (++steps == stopAt) throw Error("stopped");
    };
    try {
      EXPECT_EQ(home.Stored(RunGetLog(home.folder, path, "Soandso", 18, {bar, bar})), grown);
      finished = true;
      continue;
    } catch (const Error&) {
    }
    // Stopped: the stored parse is the old one or the new one, never a mix.
    NullProgress none;
    const std::string now = home.Stored(RunGetPrevious(home.folder, 18, {none, none}));
    EXPECT_TRUE(now == old || now == grown);
    if (now == old) ++stoppedOld;
    test::WriteFile(home.db, oldFile);
  }
  EXPECT_GT(stoppedOld, 3);
  EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace qorn
