#include "commands/commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "store/database.h"
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

}  // namespace
}  // namespace qorn
