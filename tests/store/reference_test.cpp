// Get Log and Get Previous give the same rows, numbers, crit marks and
// overview texts as the code they replaced: the expected files under
// tests/fixtures/reference were recorded from it (tests/support/make_reference).
#include <gtest/gtest.h>

#include "commands/commands.h"
#include "store/database.h"
#include "store/event_overview.h"
#include "commands/program_folder.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

class ReferenceTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const std::string base = std::string(QORN_FIXTURES) + "/reference/" + GetParam();
    expected_ = test::ReadReference(test::ReadFile(base + ".expected.tsv"));
    records_ = test::ReadFile(base + ".records.tsv");
  }
  void ExpectTablesAfterGetLog() {
    EXPECT_EQ(test::DumpTable(db_, "ParseData"), expected_.parseData);
    EXPECT_EQ(test::DumpTable(db_, "SpellCastResist"), expected_.spellCastResist);
    EXPECT_EQ(test::DumpTable(db_, "SpellDat"), expected_.spellDat);
  }
  test::ReferenceResult expected_;
  std::string records_;
  test::TempDir dir_;
  std::string folder_ = dir_.path().string();
  std::string db_ = InProgramFolder(folder_, kDatabaseFile);
  NullProgress progress_;
};

TEST_P(ReferenceTest, GetLogAndGetPreviousGiveTheRecordedResults) {
  const CommandOutcome got =
      RunGetLog(folder_, test::ReadRecords(records_), 18, {progress_, progress_});
  EXPECT_EQ(test::DumpOverview(got.EventList), expected_.overview18);
  ExpectTablesAfterGetLog();
  // What the window shows is also what the stored rows give.
  EXPECT_EQ(test::DumpOverview(FillEventList(db_, progress_)), expected_.overview18);

  const CommandOutcome again = RunGetPrevious(folder_, 30, {progress_, progress_});
  EXPECT_EQ(test::DumpOverview(again.EventList), expected_.overview30);
  EXPECT_EQ(test::DumpTable(db_, "ParseData"), expected_.parseData30);

  // Back to the first timer: the rows are as Get Log left them.
  RunGetPrevious(folder_, 18, {progress_, progress_});
  ExpectTablesAfterGetLog();
}

TEST_P(ReferenceTest, GetLogThroughRunsOnDiskGivesTheRecordedResults) {
  // A run of seconds on disk for every two seconds, merged.
  const CommandOutcome got = RunGetLog(folder_, test::ReadRecords(records_), 18,
                                       {progress_, progress_}, {.SecondsInMemory = 2});
  EXPECT_EQ(test::DumpOverview(got.EventList), expected_.overview18);
  ExpectTablesAfterGetLog();
  const CommandOutcome again = RunGetPrevious(folder_, 30, {progress_, progress_});
  EXPECT_EQ(test::DumpOverview(again.EventList), expected_.overview30);
  EXPECT_EQ(test::DumpTable(db_, "ParseData"), expected_.parseData30);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ReferenceTest,
                         ::testing::Values("sample", "realistic", "dense", "edge", "shape-lf",
                                           "shape-says", "shape-tells", "shape-dense", "shape-pets",
                                           "shape-mobs", "shape-brackets"));

}  // namespace
}  // namespace qorn
