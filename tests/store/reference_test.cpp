// Get Log and Get Previous give the same rows, numbers, crit marks and
// overview texts as the code they replaced: the expected files under
// tests/fixtures/reference were recorded from it (tests/support/make_reference).
#include <gtest/gtest.h>

#include "store/event_builder.h"
#include "store/event_overview.h"
#include "store/parse_store.h"
#include "store/program_folder.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

class ReferenceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ReferenceTest, GetLogAndGetPreviousGiveTheRecordedResults) {
  const std::string base = std::string(QORN_FIXTURES) + "/reference/" + GetParam();
  const test::ReferenceResult expected =
      test::ReadReference(test::ReadFile(base + ".expected.tsv"));
  test::TempDir dir;
  const std::string db = InProgramFolder(dir.path().string(), kDatabaseFile);
  NullProgress progress;

  StoreParsedRecords(db, test::ReadRecords(test::ReadFile(base + ".records.tsv")), progress);
  BuildEvents(db, 18, progress);
  EXPECT_EQ(test::DumpOverview(FillEventList(db, progress)), expected.overview18);
  EXPECT_EQ(test::DumpTable(db, "ParseData"), expected.parseData);
  EXPECT_EQ(test::DumpTable(db, "SpellCastResist"), expected.spellCastResist);
  EXPECT_EQ(test::DumpTable(db, "SpellDat"), expected.spellDat);

  BuildEvents(db, 30, progress);
  EXPECT_EQ(test::DumpOverview(FillEventList(db, progress)), expected.overview30);
  EXPECT_EQ(test::DumpTable(db, "ParseData"), expected.parseData30);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ReferenceTest,
                         ::testing::Values("sample", "realistic", "dense", "edge"));

}  // namespace
}  // namespace qorn
