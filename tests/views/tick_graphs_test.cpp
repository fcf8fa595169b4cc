#include "views/tick_graphs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "store/database.h"
#include "store/stored_fights.h"
#include "store/event_overview.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

TEST(ChartGrid, ResizingKeepsWhatStaysInsideAndStartsNewCellsAtZero) {
  ChartGrid grid;
  grid.SetRowCount(2);
  grid.SetColumnCount(2);
  grid.SetRow(2);
  grid.SetColumn(2);
  grid.SetData(7);
  grid.SetRowLabel("two");
  grid.SetColumnLabel("B");
  grid.SetColumnCount(3);
  grid.SetRowCount(3);
  EXPECT_EQ(grid.Data(2, 2), 7);
  EXPECT_EQ(grid.Data(3, 3), 0);
  EXPECT_EQ(grid.RowLabel(2), "two");
  EXPECT_EQ(grid.ColumnLabel(2), "B");
  grid.SetRowCount(1);
  EXPECT_EQ(grid.Row(), 1);  // the current row moves inside
  EXPECT_THROW(grid.SetRow(2), Error);
  EXPECT_THROW(grid.SetColumn(0), Error);
  EXPECT_THROW(grid.Data(1, 4), Error);
}

// More rows than bars fit: runs of rows summed, labelled by their first and
// last; a grid that fits stays as it is.
TEST(ChartGrid, GroupRowsSumsRunsOfRowsIntoAtMostSoMany) {
  ChartGrid grid;
  grid.SetRowCount(7);
  grid.SetColumnCount(2);
  grid.SetFootnoteText("          a gnoll");
  grid.SetShowLegend(true);
  for (int c = 1; c <= 2; ++c) {
    grid.SetColumn(c);
    grid.SetColumnLabel(c == 1 ? "Splurt." : "Pets");
  }
  for (int r = 1; r <= 7; ++r) {
    grid.SetRow(r);
    grid.SetRowLabel(std::to_string(r));
    grid.SetColumn(1);
    grid.SetData(r);
    grid.SetColumn(2);
    grid.SetData(int64_t{10} * r);
  }
  EXPECT_EQ(ChartGridText(GroupRows(grid, 3)),
            "\tSplurt.\tPets\n1-3\t6\t60\n4-6\t15\t150\n7\t7\t70\n          a gnoll\n");
  EXPECT_EQ(GroupRows(grid, 3).ShowLegend(), true);
  EXPECT_EQ(ChartGridText(GroupRows(grid, 4)),
            "\tSplurt.\tPets\n1-2\t3\t30\n3-4\t7\t70\n5-6\t11\t110\n7\t7\t70\n          a gnoll\n");
  EXPECT_EQ(ChartGridText(GroupRows(grid, 7)), ChartGridText(grid));
}

class TickGraphs : public ::testing::Test {
 protected:
  void SetUp() override {
    // Event 1, "a gnoll": ticks anchored at the first DoT tick (second 0).
    // Event 2, "a rat": pets and direct damage only.
    test::WriteParseRows(path_, {
                                    {"a gnoll", 0, 100, "Dot", "Splurt."},        // tick 1
                                    {"a gnoll", 0, 20, "Pet", "bites"},           // tick 1
                                    {"a gnoll", 1, 500, "Dot", "Dread Pyre."},    // tick 1
                                    {"a gnoll", 3, 7, "Epic/Swarm", "hits"},      // tick 1
                                    {"A gnoll", 6, 110, "Dot", "Splurt."},        // tick 2
                                    {"a gnoll", 7, 50, "Dot", "splurt."},         // tick 2
                                    {"a gnoll", 8, 120, "Dot", "Splurt."},        // tick 2
                                    {"a gnoll", 14, 1000, "DD", "Ignite Bones"},  // tick 3
                                    {"a gnoll", 15, 30, "Pet", "bites"},          // tick 3
                                    {"a gnoll", 18, 510, "Dot", "Dread Pyre."},   // tick 4
                                    {"a gnoll", 20, 40, "Pet", "bites"},          // tick 4
                                    {"a gnoll", 21, 900, "DD", "Ignite Bones"},   // tick 4
                                    {"a rat", 100, 5, "Pet", "bites"},            // tick 1
                                    {"a rat", 106, 50, "DD", "Ignite Bones"},     // tick 2
                                });
    NullProgress progress;
    RenumberStoredParse(path_, 18, progress);
  }
  test::TempDir dir_;
  std::string path_ = dir_.File("QornDB.mdb");
};

TEST_F(TickGraphs, GridsOfAFight) {
  // Sources in order of first appearance, "splurt." apart from "Splurt.",
  // the later of two hits in a cell, a row for tick 3 where no DoT landed.
  EXPECT_EQ(ChartGridText(DrawDotTickGraph(path_, 1, "a gnoll")),
            "\tSplurt.\tDread Pyre.\tsplurt.\n"
            "1\t100\t500\t0\n"
            "2\t120\t0\t50\n"
            "3\t0\t0\t0\n"
            "4\t0\t510\t0\n"
            "          a gnoll\n");
  // Pets (swarm pets included) and direct damage last, in every tick.
  EXPECT_EQ(ChartGridText(DrawAllDamageGraph(path_, 1, "a gnoll")),
            "\tSplurt.\tDread Pyre.\tsplurt.\tPets\tDD's\n"
            "1\t100\t500\t0\t27\t0\n"
            "2\t120\t0\t50\t0\t0\n"
            "3\t0\t0\t0\t30\t1000\n"
            "4\t0\t510\t0\t40\t900\n"
            "          a gnoll\n");
}

TEST_F(TickGraphs, AFightWithoutDotsIsDrawnAfterOneWithThem) {
  const ChartGrid before = DrawDotTickGraph(path_, 1, "a gnoll");
  const ChartGrid dots = DrawDotTickGraph(path_, 2, "a rat");
  EXPECT_EQ(ChartGridText(dots), "\n1\n2\n          a rat\n");
  EXPECT_TRUE(dots.ShowLegend());
  EXPECT_EQ(dots.ChartType(), ChartGrid::kBars2d);
  EXPECT_EQ(ChartGridText(DrawAllDamageGraph(path_, 2, "a rat")),
            "\tPets\tDD's\n1\t5\t0\n2\t0\t50\n          a rat\n");
}

TEST_F(TickGraphs, EventMobIsTheOverviewsMob) {
  NullProgress progress;
  const Overview overview = FillEventList(path_, progress);
  ASSERT_EQ(overview.Rows.size(), 2u);
  for (const OverviewRow& row : overview.Rows) EXPECT_EQ(EventMob(path_, row.EventNum), row.Mob);
  EXPECT_EQ(EventMob(path_, 3), std::nullopt);
}

TEST_F(TickGraphs, NoRowsOrRowsWithoutTicks) {
  // A view never makes an empty database where there is none.
  const std::string missing = dir_.File("none.mdb");
  EXPECT_THROW(DrawAllDamageGraph(missing, 1, "a gnoll"), Error);
  EXPECT_FALSE(std::filesystem::exists(missing));
  // A fight number that holds no rows: only the footnote.
  EXPECT_EQ(ChartGridText(DrawDotTickGraph(path_, 99, "")), "\n          \n");
  EXPECT_EQ(ChartGridText(DrawAllDamageGraph(path_, 99, "x")), "\tPets\tDD's\n          x\n");
  // DoT rows whose tick lies outside the fight's ticks (the first tick of its
  // run edited by hand to 0: its first six seconds in tick 0) have no row to
  // go to.
  {
    Database db(path_);
    db.ExecuteNative(
        "UPDATE TickRuns SET TickNum = 0 WHERE FightKey = (SELECT FightKey FROM Fights WHERE "
        "EventNum = 1)");
  }
  EXPECT_EQ(ChartGridText(DrawDotTickGraph(path_, 1, "a gnoll")),
            "\tSplurt.\tDread Pyre.\tsplurt.\n"
            "1\t120\t0\t50\n"
            "2\t0\t0\t0\n"
            "3\t0\t510\t0\n"
            "          a gnoll\n");
}

}  // namespace
}  // namespace qorn
