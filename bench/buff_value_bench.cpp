// Times the Buff Value list: the whole stored parse and its largest fight,
// then made-up worst shapes: millions of DoT hits in one log, and a fight
// with a hundred thousand distinct DoT sources.
// Usage: buff_value_bench DATABASE [RUNS]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "store/database.h"
#include "views/buff_value.h"

namespace {


void Time(const char* what, const std::string& db, const qorn::BuffScope& scope, int runs) {
  qorn::bench::TimeList(what, runs, [&] { return qorn::BuffValue(db, scope); });
}

int32_t LargestFight(const std::string& path) {
  {
    qorn::Database db(path);
    qorn::Statement all(db, "SELECT count(*), sum(DmgType = 'Dot') FROM ParseData");
    all.Step();
    std::printf("%s: %lld rows, %lld DoT hits\n", path.c_str(),
                static_cast<long long>(all.ColumnInt(0)), static_cast<long long>(all.ColumnInt(1)));
  }
  const qorn::bench::FightSize largest = qorn::bench::LargestFight(path, "Dot");
  if (largest.EventNum == 0) return 0;
  std::printf("  largest fight: event %d, %lld DoT hits\n", largest.EventNum, largest.Rows);
  return largest.EventNum;
}

// `rows` DoT hits spread over `fights` fights and `sources` sources, every
// third with the breastplate, every fifth with Chaotic Power.
void WriteHits(const std::string& path, int rows, int fights, int sources) {
  qorn::Database db(path);
  qorn::Transaction tx(db);
  db.ExecuteNative("DELETE FROM ParseData");
  qorn::Statement insert(
      db,
      "INSERT INTO ParseData VALUES (?, ?, 'Qornek', 'a mob', ?, ?, ?, 'Dot', ?, 0, ?, 0, ?, "
      "1, 0)");
  for (int i = 0; i < rows; ++i) {
    insert.Bind(1, static_cast<int64_t>(i))
        .Bind(2, 46360.5 + i / 86400.0)
        .Bind(3, static_cast<int64_t>(500 + (i * 7) % 400))
        .Bind(4, static_cast<int64_t>(i % 20 == 0 ? -1 : 0))
        .Bind(5, "Spell " + std::to_string(i % sources) + ".")
        .Bind(6, static_cast<int64_t>(i % 5 == 0 ? -1 : 0))
        .Bind(7, static_cast<int64_t>(i % 3 == 0 ? -1 : 0))
        .Bind(8, static_cast<int64_t>(1 + i % fights));
    insert.Step();
    insert.Reset();
  }
  tx.Commit();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: buff_value_bench DATABASE [RUNS]\n");
    return 2;
  }
  const std::string db = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  if (std::filesystem::exists(db)) {
    const int32_t event = LargestFight(db);
    Time("whole log", db, qorn::BuffScope::AllFights(), runs);
    if (event != 0) Time("largest fight", db, qorn::BuffScope::Fight(event), runs);
  } else {
    std::printf("no database %s; only the made-up parses\n", db.c_str());
  }

  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("qorn-buff-value-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string scratch = (folder / "QornDB.mdb").string();
  struct Shape {
    int rows, fights, sources;
  };
  for (const Shape s : {Shape{5000000, 10000, 20}, Shape{1000000, 1, 100000}}) {
    WriteHits(scratch, s.rows, s.fights, s.sources);
    std::printf("made-up parse: %d DoT hits, %d fights, %d sources\n", s.rows, s.fights, s.sources);
    Time("whole log", scratch, qorn::BuffScope::AllFights(), std::min(runs, 3));
    Time("fight 1", scratch, qorn::BuffScope::Fight(1), std::min(runs, 3));
  }
  std::printf("peak RSS %.0f MiB\n", qorn::bench::PeakRssMiB());
  std::filesystem::remove_all(folder);
  return 0;
}
