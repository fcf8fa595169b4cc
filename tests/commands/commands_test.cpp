#include "commands/commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <utility>

#include "common/error.h"
#include "store/database.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

// Records what a bar was told, as "v1" / "m5" / "=3".
struct BarLog : Progress {
  std::vector<std::string> calls;
  void SetVisible(bool v) override { calls.push_back(v ? "v1" : "v0"); }
  void SetMaximum(double m) override { calls.push_back("m" + std::to_string(static_cast<int>(m))); }
  void SetValue(double v) override { calls.push_back("=" + std::to_string(static_cast<int>(v))); }
};

class CommandsTest : public ::testing::Test {
 protected:
  std::string Log(const std::vector<std::string>& lines) {
    return dir_.WriteLines("log.txt", lines);
  }
  test::TempDir dir_;
  std::string folder_ = dir_.path().string();
  NullProgress loop_;
  BarLog stages_;
};

const std::vector<std::string> kTwoFights = {
    "[Fri Dec 04 17:00:00 2026] A gnoll has taken 100 damage from your Splurt.",
    "[Fri Dec 04 17:00:06 2026] A gnoll has taken 100 damage from your Splurt.",
    "[Fri Dec 04 17:00:30 2026] A gnoll has taken 100 damage from your Splurt.",
};

TEST_F(CommandsTest, GetLogThenGetPreviousWithAnotherTimer) {
  const CommandOutcome got = RunGetLog(folder_, Log(kTwoFights), "Soandso", 18, {loop_, stages_});
  EXPECT_FALSE(got.NoDamage);
  ASSERT_EQ(got.EventList.Rows.size(), 2u);  // 24 s of quiet splits at 18 s
  EXPECT_FALSE(fs::exists(dir_.path() / "Temp.mdb"));
  EXPECT_EQ(stages_.calls,
            (std::vector<std::string>{"m5", "=0", "v1", "=1", "=2", "=3", "=4", "=5", "v0"}));

  const CommandOutcome again = RunGetPrevious(folder_, 30, {loop_, stages_});
  ASSERT_EQ(again.EventList.Rows.size(), 1u);
  EXPECT_EQ(again.EventList.Rows[0].Total, 300);
  EXPECT_EQ(again.Events.EventCount, 1);
}

TEST_F(CommandsTest, ALogWithoutDamageIsReportedAndStoresNothing) {
  const CommandOutcome got = RunGetLog(folder_, Log({"[Fri Dec 04 17:00:00 2026] Hello."}),
                                       "Soandso", 18, {loop_, stages_});
  EXPECT_TRUE(got.NoDamage);
  EXPECT_TRUE(got.EventList.Rows.empty());
}

TEST_F(CommandsTest, AnUnreadableLogLeavesTheStoredParse) {
  RunGetLog(folder_, Log(kTwoFights), "Soandso", 18, {loop_, stages_});
  stages_.calls.clear();
  EXPECT_THROW(RunGetLog(folder_, dir_.File("nope.txt"), "Soandso", 18, {loop_, stages_}), Error);
  EXPECT_EQ(stages_.calls.back(), "v0");  // the bars are hidden again
  EXPECT_EQ(RunGetPrevious(folder_, 18, {loop_, stages_}).EventList.Rows.size(), 2u);
}

TEST_F(CommandsTest, TheBundledSampleGivesFights) {
  const CommandOutcome got =
      RunGetLog(folder_, std::string(QORN_SOURCE_DIR) + "/samples/sample-log.txt", "Qornek", 18,
                {loop_, stages_});
  EXPECT_FALSE(got.NoDamage);
  EXPECT_GE(got.EventList.Rows.size(), 3u);
}

// Calls `hook` the first time the bar is given a value.
struct FirstValueHook : Progress {
  std::function<void()> hook;
  void SetVisible(bool) override {}
  void SetMaximum(double) override {}
  void SetValue(double) override {
    if (hook) std::exchange(hook, nullptr)();
  }
};

// A Get Log reads the log it opened from its first step to its last: another
// file put under the log's name while it runs (as the player may, moving
// logs about) is read by the next Get Log, whole, never mixed with the first.
TEST_F(CommandsTest, AGetLogReadsOneFileWhateverIsPutUnderItsNameMeanwhile) {
  // `count` hits on `mob`, a second apart from `from` seconds on.
  auto fight = [](const char* mob, int from, int count) {
    std::vector<std::string> lines;
    for (int t = from; t < from + count; ++t) {
      char line[120];
      std::snprintf(line, sizeof line,
                    "[Fri Dec 04 17:%02d:%02d 2026] %s has taken 100 damage from your Splurt.",
                    10 + t / 60, t % 60, mob);
      lines.emplace_back(line);
    }
    return lines;
  };
  const std::vector<std::string> first = fight("A gnoll", 0, 20);
  std::vector<std::string> grown = first;
  for (const std::string& line : fight("A gnoll", 20, 20)) grown.push_back(line);
  const std::vector<std::string> other = fight("A rat", 0, 60);
  // What a Get Log of each log alone stores.
  auto storedOf = [](const std::vector<std::string>& lines) {
    test::TempDir home;
    NullProgress none;
    const CommandOutcome got = RunGetLog(home.path().string(), home.WriteLines("log.txt", lines),
                                         "Soandso", 18, {none, none});
    return test::DumpTable(home.File("QornDB.mdb"), "ParseData") +
           test::DumpOverview(got.EventList);
  };
  struct Case {
    const char* what;
    std::vector<std::string> before;  // read by a Get Log first, when not empty
    std::vector<std::string> read;    // the log as the Get Log that is disturbed opens it
  };
  const Case cases[] = {
      {"a whole Get Log", {}, first},
      {"a Get Log of appended lines", first, grown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir home;
    const std::string folder = home.path().string();
    const std::string db = home.File("QornDB.mdb");
    NullProgress none;
    if (!c.before.empty())
      RunGetLog(folder, home.WriteLines("log.txt", c.before), "Soandso", 18, {none, none});
    const std::string log = home.WriteLines("log.txt", c.read);
    FirstValueHook loop;
    loop.hook = [&] {
      home.WriteLines("other.txt", other);
      fs::rename(home.File("other.txt"), log);
    };
    CommandOutcome got = RunGetLog(folder, log, "Soandso", 18, {loop, none});
    ASSERT_EQ(loop.hook, nullptr);  // the log was replaced while the Get Log ran
    EXPECT_EQ(test::DumpTable(db, "ParseData") + test::DumpOverview(got.EventList),
              storedOf(c.read));
    got = RunGetLog(folder, log, "Soandso", 18, {none, none});
    EXPECT_EQ(test::DumpTable(db, "ParseData") + test::DumpOverview(got.EventList),
              storedOf(other));
  }
}

}  // namespace
}  // namespace qorn
