// Get Log holds a few blocks of the log and a buffer of seconds at a time:
// the rows go to the database as they are parsed, and the seconds to sorted
// runs on disk. Cut into tiny blocks and runs it stores exactly what it
// stores in one block, and a disk that fills up while it runs leaves the
// stored parse as it was.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <tuple>

#include "commands/commands.h"
#include "commands/program_folder.h"
#include "common/error.h"
#include "common/progress.h"
#include "store/database.h"
#include "store/second_runs.h"
#include "store/seconds_format.h"
#include "store/stored_seconds.h"
#include "support/carry_over_log.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

struct Home {
  explicit Home(std::string at) : folder(std::move(at)) {}
  std::string folder;
  std::string db = InProgramFolder(folder, kDatabaseFile);

  CommandOutcome GetLog(const std::string& log, const std::string& name,
                        const CommandOptions& options = {}, Progress* loop = nullptr,
                        Progress* stages = nullptr, StopToken stop = {}) {
    NullProgress none;
    return RunGetLog(folder, log, name, 18, {loop ? *loop : none, stages ? *stages : none, stop},
                     options);
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& f : fs::directory_iterator(folder)) files.push_back(f.path().filename());
    return files;
  }
  CommandOutcome GetPrevious(int16_t timer) {
    NullProgress none;
    return RunGetPrevious(folder, timer, {none, none});
  }
  // The stored parse and the overview it gives, all of it.
  std::string Stored(const CommandOutcome& outcome) const {
    return test::DumpTable(db, "ParseData") + test::DumpTable(db, "SpellCastResist") +
           test::DumpOverview(outcome.EventList);
  }
};

std::string Generate(const test::TempDir& dir, const std::string& shape, const std::string& size) {
  const std::string log = dir.File(shape + "-" + size + ".txt");
  const std::string command = std::string(QORN_GENLOG) + " --size " + size + " --shape " + shape +
                              " --seed 5 --name Qornek --out " + log + " >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return log;
}

TEST(BoundedGetLog, TinyBlocksAndRunsStoreWhatOneBlockStores) {
  test::TempDir dir;
  struct Case {
    std::string log, name;
  };
  std::vector<Case> cases = {{dir.Write("carry-over.txt", test::CarryOverLog()), "Soandso"}};
  for (const char* shape : {"realistic", "dense", "mobs", "pets", "says", "brackets"}) {
    cases.push_back({Generate(dir, shape, "60K"), "Qornek"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    Home whole(dir.File("whole"));
    Home tiny(dir.File("tiny"));
    fs::create_directories(whole.folder);
    fs::create_directories(tiny.folder);
    // Blocks of a few lines, a run for every few seconds.
    const CommandOptions small{.SecondsInMemory = 3, .PieceBytes = 700};
    const std::string want = whole.Stored(whole.GetLog(c.log, c.name));
    const std::string got = tiny.Stored(tiny.GetLog(c.log, c.name, small));
    EXPECT_TRUE(got == want) << test::FirstDifference(want, got);
    // The seconds the runs left give the same fights with another timer.
    const std::string want30 = whole.Stored(whole.GetPrevious(30));
    const std::string got30 = tiny.Stored(tiny.GetPrevious(30));
    EXPECT_TRUE(got30 == want30) << test::FirstDifference(want30, got30);
    fs::remove_all(whole.folder);
    fs::remove_all(tiny.folder);
  }
}

TEST(BoundedGetLog, RunsMergeToTheSecondsOfAllRows) {
  // Rows of a few mobs whose times go back and forth, so that one mob and
  // second stands in several runs.
  struct Row {
    uint32_t mob, spelling;
    double when;
    int64_t dmg;
    bool dot;
  };
  std::mt19937 random(11);
  std::vector<Row> rows;
  for (int i = 0; i < 3000; ++i) {
    const uint32_t mob = 1 + random() % 4;
    rows.push_back({mob, static_cast<uint32_t>(random() % 2), 46000.0 + (random() % 40) / 86400.0,
                    static_cast<int64_t>(random() % 1000), random() % 3 == 0});
  }
  // What the seconds must be: per mob and time, the first row's RecNum and
  // spelling, the damage summed and whether any row is a DoT tick.
  std::map<std::tuple<uint32_t, double>, MobSecond> want;
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    auto [it, added] = want.try_emplace({r.mob, r.when});
    MobSecond& s = it->second;
    if (added) {
      s.When = r.when;
      s.RecNum = static_cast<int64_t>(i);
      s.Mob = r.mob;
      s.Spelling = r.spelling;
    }
    s.Dmg += r.dmg;
    s.Dot = s.Dot | (r.dot ? 1u : 0u);
  }
  for (size_t capacity : {size_t{13}, size_t{100000}}) {
    SCOPED_TRACE("capacity " + std::to_string(capacity));
    test::TempDir dir;
    SecondRuns runs(dir.path().string(), dir.File("QornDB.mdb"), capacity);
    for (size_t i = 0; i < rows.size(); ++i) {
      const Row& r = rows[i];
      runs.Add(r.mob, r.spelling, r.when, static_cast<int64_t>(i), r.dmg, r.dot);
    }
    EXPECT_EQ(runs.Runs() > 1, capacity < rows.size());
    std::vector<MobSecond> got;
    runs.Read([&got](const MobSecond& s) { got.push_back(s); });
    ASSERT_EQ(got.size(), want.size());
    size_t i = 0;
    for (const auto& [key, s] : want) {
      const MobSecond& g = got[i++];
      EXPECT_EQ(std::tie(g.Mob, g.When, g.RecNum, g.Dmg), std::tie(s.Mob, s.When, s.RecNum, s.Dmg));
      EXPECT_EQ(g.Spelling, s.Spelling);
      EXPECT_EQ(g.Dot, s.Dot);
    }
    // The runs' files have no name: nothing is left in the folder.
    EXPECT_TRUE(fs::is_empty(dir.path()));
  }
}

// The per-second sums made again from the rows go through sorted runs as Get
// Log's do, a row at a time: in runs of any size they are what Get Log made,
// also when the rows' keys must be made again.
TEST(BoundedGetLog, TheSumsMadeAgainFromTheRowsAreThoseGetLogMade) {
  test::TempDir dir;
  for (const char* shape : {"realistic", "mobs", "dense"}) {
    Home home(dir.File(shape));
    fs::create_directories(home.folder);
    home.GetLog(Generate(dir, shape, "60K"), "Qornek");
    Database db(home.db, OpenMode::kExisting);
    const std::string made = test::DumpSums(db);
    for (const char* keys : {"", "UPDATE DamageRows SET MobKey = 1"}) {
      for (size_t seconds : {size_t{16}, SecondRuns::kDefaultCapacity}) {
        SCOPED_TRACE(std::string(shape) + ", " + keys + ", " + std::to_string(seconds));
        Transaction tx(db);
        db.ExecuteNative(std::string("DELETE FROM MobSeconds; DELETE FROM SecondChunks; ") + keys);
        RebuildMobSeconds(db, seconds);
        const std::string again = test::DumpSums(db);
        EXPECT_TRUE(again == made) << test::FirstDifference(made, again);
      }
    }
    // The runs' files have no name: nothing is left beside the database.
    EXPECT_EQ(home.Files().size(), 1u);
  }
}

TEST(BoundedGetLog, TheLastSecondsOfAMobAreReadWithoutTheRest) {
  // A mob of 5,000 seconds is three pieces (2,048, 2,048 and 904): lines
  // appended after its last second read only the pieces they go into.
  test::TempDir dir;
  const std::string path = dir.File("QornDB.mdb");
  MobSeconds mob;
  mob.Key = 7;
  mob.Texts = {"a gnoll"};
  for (int i = 0; i < 5000; ++i) {
    EventRow s;
    s.When = 46000 + i / 86400.0;
    s.RecNum = i;
    s.Dmg = 10;
    mob.Seconds.push_back(s);
  }
  mob.NotedSeconds = 5000;
  mob.NotedDamage = 50000;
  {
    Database db(path);
    WriteChangedSeconds(db, {mob}, {0});
  }
  const auto at = [&](int i) { return mob.Seconds[static_cast<size_t>(i)].When; };
  struct Case {
    const char* what;
    DateTime from;
    const char* damage;  // made to the pieces first, or empty
    std::optional<size_t> before;  // the seconds not read; none: damaged
  };
  const Case cases[] = {
      {"after the last second", at(4999) + 1, "", 4096},
      {"in the last piece", at(4500), "", 4096},
      {"at the first second of the last piece", at(4096), "", 4096},
      {"the second before it", at(4095), "", 2048},
      {"before the first second", at(0) - 1, "", 0},
      {"the last piece cut short", at(4999) + 1,
       "UPDATE SecondChunks SET Seconds = substr(Seconds, 1, 28 * 900) WHERE Chunk = 2", std::nullopt},
      {"a piece read lost", at(100), "DELETE FROM SecondChunks WHERE Chunk = 1", std::nullopt},
      {"a piece beyond the last", at(4999) + 1,
       "INSERT INTO SecondChunks SELECT MobKey, 3, Seconds FROM SecondChunks WHERE Chunk = 2",
       std::nullopt},
  };
  const std::string stored = test::ReadFile(path);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFile(path, stored);
    Database db(path);
    db.ExecuteNative(c.damage);
    MobSeconds read = mob;
    read.Seconds.clear();
    if (!c.before) {
      EXPECT_THROW(ReadStoredSecondsFrom(db, read, c.from), StoredSecondsDamaged);
      continue;
    }
    ReadStoredSecondsFrom(db, read, c.from);
    EXPECT_EQ(read.Before, *c.before);
    EXPECT_TRUE(std::equal(read.Seconds.begin(), read.Seconds.end(),
                           mob.Seconds.begin() + static_cast<std::ptrdiff_t>(*c.before),
                           mob.Seconds.end(), [](const EventRow& a, const EventRow& b) {
                             return a.When == b.When && a.RecNum == b.RecNum && a.Dmg == b.Dmg;
                           }));
  }
}

TEST(BoundedGetLog, MuchAppendedIsReadWithTheWholeLog) {
  // Lines appended beyond the bound are not read alone, in memory: the whole
  // log is read a piece at a time, into a new file, with the same result.
  test::TempDir dir;
  const std::string whole = test::ReadFile(Generate(dir, "realistic", "60K"));
  const size_t cut = whole.find('\n', whole.size() / 2) + 1;
  for (const long long bound : {1LL << 30, 1000LL}) {
    SCOPED_TRACE("appended in memory up to " + std::to_string(bound));
    Home home(dir.File("home"));
    fs::create_directories(home.folder);
    const std::string log = dir.Write("grown.txt", whole.substr(0, cut));
    home.GetLog(log, "Qornek");
    struct stat st {};
    ::stat(home.db.c_str(), &st);
    const ino_t before = st.st_ino;
    dir.Write("grown.txt", whole);
    const CommandOptions options{.AppendedInMemory = bound};
    const std::string got = home.Stored(home.GetLog(log, "Qornek", options));
    ::stat(home.db.c_str(), &st);
    // Read alone, the appended lines go into the file in place.
    EXPECT_EQ(st.st_ino == before, bound > static_cast<long long>(whole.size()));
    Home fresh(dir.File("fresh"));
    fs::create_directories(fresh.folder);
    const std::string want = fresh.Stored(fresh.GetLog(dir.Write("whole.txt", whole), "Qornek"));
    EXPECT_TRUE(got == want) << test::FirstDifference(want, got);
    fs::remove_all(home.folder);
    fs::remove_all(fresh.folder);
  }
}

// Calls `hook` with each value or maximum (as -1) a bar is given.
struct HookedBar : Progress {
  std::function<void(double)> hook;
  void SetVisible(bool) override {}
  void SetMaximum(double) override { hook(-1); }
  void SetValue(double value) override { hook(value); }
};

TEST(BoundedGetLog, AFailureOrAStopAtAnyStepLeavesTheStoredParseOldOrNew) {
  test::TempDir dir;
  Home home(dir.File("home"));
  fs::create_directories(home.folder);
  const std::string small = dir.Write("carry-over.txt", test::CarryOverLog());
  const std::string before = home.Stored(home.GetLog(small, "Soandso"));
  const std::string log = Generate(dir, "realistic", "60K");
  const CommandOptions tiny{.SecondsInMemory = 3, .PieceBytes = 700};
  // Every value either bar is given is a point to stop at. How many there
  // are depends on how the threads meet, so the steps are counted once and
  // each stop checked by what it interrupted.
  int steps = 0;
  HookedBar counter;
  counter.hook = [&steps](double) { ++steps; };
  home.GetLog(log, "Qornek", tiny, &counter, &counter);
  const std::string after = home.Stored(home.GetPrevious(18));
  ASSERT_GT(steps, 20);
  for (int stop = 1; stop <= steps; stop += std::max(1, steps / 25)) {
    SCOPED_TRACE("stopped at step " + std::to_string(stop) + " of about " + std::to_string(steps));
    // A failure at any step (here thrown by the bar) leaves the old parse or the new one.
    home.GetLog(small, "Soandso");
    int calls = 0;
    bool failed = false, afterReplace = false;
    auto failAt = [&](bool stages) {
      return [&, stages](double value) {
        if (++calls != stop) return;
        failed = true;
        // The stage bar's last value comes once the new parse is in place.
        afterReplace = stages && value == kCommandStages;
        throw std::runtime_error("failed");
      };
    };
    HookedBar loop, stages;
    loop.hook = failAt(false);
    stages.hook = failAt(true);
    try {
      home.GetLog(log, "Qornek", tiny, &loop, &stages);
    } catch (const std::runtime_error&) {
      EXPECT_TRUE(failed);
    }
    EXPECT_EQ(home.Stored(home.GetPrevious(18)), failed && !afterReplace ? before : after);
    EXPECT_EQ(home.Files(), std::vector<std::string>{kDatabaseFile});

    // A stop asked for at the same step: the command stops at its next step
    // unless the stored file is being replaced by then.
    home.GetLog(small, "Soandso");
    calls = 0;
    double stage = 0;
    bool asked = false, mustStop = false;
    std::atomic<bool> flag = false;
    auto askAt = [&](bool stages) {
      return [&, stages](double value) {
        if (stages && value >= 0) stage = value;
        if (++calls != stop) return;
        asked = true;
        flag = true;
        mustStop = stage < kCommandStages - 1;
      };
    };
    loop.hook = askAt(false);
    stages.hook = askAt(true);
    bool stopped = false;
    try {
      home.GetLog(log, "Qornek", tiny, &loop, &stages, StopToken(flag));
    } catch (const Stopped&) {
      stopped = true;
    }
    EXPECT_TRUE(!stopped || asked);
    if (mustStop) {
      EXPECT_TRUE(stopped);
    }
    EXPECT_EQ(home.Stored(home.GetPrevious(18)), stopped ? before : after);
    EXPECT_EQ(home.Files(), std::vector<std::string>{kDatabaseFile});
  }
}

// A small disk of its own, mounted for the test's life.
class SmallDisk {
 public:
  SmallDisk(const std::string& at, const char* size) : at_(at) {
    fs::create_directories(at);
    mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string at_;
  bool mounted_ = false;
};

TEST(BoundedGetLog, AFullDiskLeavesTheStoredParseWhole) {
  test::TempDir dir;
  SmallDisk disk(dir.File("disk"), "1m");
  if (!disk.Mounted()) GTEST_SKIP() << "a small disk cannot be mounted here (it needs root)";
  Home home(dir.File("disk"));
  const std::string small = dir.Write("carry-over.txt", test::CarryOverLog());
  const std::string before = home.Stored(home.GetLog(small, "Soandso"));
  const std::string big = Generate(dir, "dense", "3M");
  // The seconds go to runs beside the database at once, as in a log of gigabytes.
  for (size_t seconds : {size_t{16}, SecondRuns::kDefaultCapacity}) {
    SCOPED_TRACE("seconds in memory " + std::to_string(seconds));
    try {
      home.GetLog(big, "Qornek", {.SecondsInMemory = seconds});
      ADD_FAILURE() << "Get Log went through on a full disk";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("is full"), std::string::npos) << e.what();
      EXPECT_TRUE(e.StoredDataKept());
    }
    // The stored parse is as it was, and nothing is left beside it.
    EXPECT_EQ(home.Stored(home.GetPrevious(18)), before);
    EXPECT_EQ(home.Files(), std::vector<std::string>{kDatabaseFile});
  }
}

}  // namespace
}  // namespace qorn
