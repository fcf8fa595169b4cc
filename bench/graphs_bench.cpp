// Times both tick graphs of a fight: the grids from the database, and the
// charts drawn at their design size. First the largest fight of a stored
// parse, then made-up worst shapes: long fights with many DoT sources.
// Usage: graphs_bench DATABASE [RUNS]
#include <unistd.h>
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "offscreen_qt.h"
#include "store/database.h"
#include "store/stored_fights.h"
#include "ui/graph_view.h"
#include "views/tick_graphs.h"

namespace {

using qorn::bench::Stopwatch;

struct Figures {
  std::vector<double> grids, charts, total;
};

void Print(const char* what, const std::vector<double>& ms) {
  std::printf("  %-28s %s\n", what, qorn::bench::MinMedianMax(ms).c_str());
}

// Both graphs of `eventNum`, `runs` times: the grids, then the two charts
// given their grids and painted.
void TimeFight(const std::string& db, int32_t eventNum, int runs) {
  qorn::GraphView dots;
  qorn::GraphView all;
  for (qorn::GraphView* view : {&dots, &all}) {
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(753, 425);  // 11295 x 6375 twips
    view->show();
  }
  Figures f;
  for (int run = 0; run < runs; ++run) {
    Stopwatch watch;
    qorn::ChartGrid dotGrid = qorn::DrawDotTickGraph(db, eventNum, "a mob");
    qorn::ChartGrid allGrid = qorn::DrawAllDamageGraph(db, eventNum, "a mob");
    const double grids = watch.Seconds() * 1000;
    watch.Restart();
    if (run == 0) {
      std::printf("  %d ticks, %d DoT sources\n", allGrid.RowCount(), dotGrid.ColumnCount());
    }
    dots.SetGrid(std::move(dotGrid));
    all.SetGrid(std::move(allGrid));
    dots.Picture();
    all.Picture();
    const double charts = watch.Seconds() * 1000;
    f.grids.push_back(grids);
    f.charts.push_back(charts);
    f.total.push_back(grids + charts);
  }
  Print("grids (both graphs)", f.grids);
  Print("charts drawn (both graphs)", f.charts);
  Print("total", f.total);
}

int32_t LargestFight(const std::string& path) {
  const qorn::bench::FightSize largest = qorn::bench::LargestFight(path);
  if (largest.EventNum == 0) return 0;
  std::printf("largest fight of %s: event %d, %lld rows\n", path.c_str(), largest.EventNum,
              largest.Rows);
  return largest.EventNum;
}

// The rows of WriteLongFight's fight, stored as rows of no fight yet.
void WriteLongFightRows(const std::string& path, int ticks, int dots) {
  qorn::Database db(path);
  qorn::Transaction tx(db);
  db.ExecuteNative("DELETE FROM ParseData");
  qorn::Statement insert(
      db,
      "INSERT INTO ParseData VALUES (?, ?, 'Qornek', 'a mob', ?, 0, ?, ?, 0, 0, 0, 0, 1, ?, 0)");
  int64_t recNum = 0;
  for (int t = 1; t <= ticks; ++t) {
    const double when = 46360.5 + (t - 1) * 6 / 86400.0;
    auto row = [&](int64_t dmg, const std::string& source, const char* type) {
      insert.Bind(1, recNum++).Bind(2, when).Bind(3, dmg).Bind(4, source).Bind(5, type);
      insert.Bind(6, static_cast<int64_t>(t));
      insert.Step();
      insert.Reset();
    };
    for (int d = 0; d < dots; ++d)
      row(500 + (t * 7 + d * 13) % 400, "Spell " + std::to_string(d) + ".", "Dot");
    row(150 + t % 90, "bites", "Pet");
    row(40, "hits", "Epic/Swarm");
    if (t % 3 == 0) row(2500, "Ignite Bones", "DD");
  }
  tx.Commit();
}

// One fight of `ticks` ticks in which each of `dots` DoT sources, a pet and a
// direct-damage spell hit in every tick, cut as Get Previous cuts it.
void WriteLongFight(const std::string& path, int ticks, int dots) {
  WriteLongFightRows(path, ticks, dots);
  qorn::NullProgress quiet;
  qorn::RenumberStoredParse(path, 18, quiet, false);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: graphs_bench DATABASE [RUNS]\n");
    return 2;
  }
  qorn::bench::UseOffscreenQt();
  QApplication app(argc, argv);
  const std::string db = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;

  if (std::filesystem::exists(db)) {
    if (const int32_t event = LargestFight(db)) TimeFight(db, event, runs);
  } else {
    std::printf("no database %s; only the made-up fights\n", db.c_str());
  }

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("qorn-graphs-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string scratch = (folder / "QornDB.mdb").string();
  struct Shape {
    int ticks, dots;
  };
  for (const Shape shape : {Shape{1000, 10}, Shape{5000, 20}}) {
    WriteLongFight(scratch, shape.ticks, shape.dots);
    std::printf("made-up fight: %d ticks, %d DoTs, a pet, a swarm pet, a DD every 3rd tick\n",
                shape.ticks, shape.dots);
    TimeFight(scratch, 1, std::min(runs, 5));
  }
  std::filesystem::remove_all(folder);
  return 0;
}
