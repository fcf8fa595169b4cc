// Times the DoT Uptime list: the whole stored parse and its largest fight,
// then a made-up fight of a hundred thousand DoT hits (six spells ticking
// through a long fight, one of them dropping now and then).
// Usage: dot_uptime_bench DATABASE [RUNS]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "common/progress.h"
#include "store/database.h"
#include "store/stored_fights.h"
#include "views/dot_uptime.h"

namespace {


void Time(const char* what, const std::string& db, const qorn::BuffScope& scope, int runs) {
  qorn::bench::TimeList(what, runs, [&] { return qorn::DotUptime(db, scope); });
}

// One fight of `hits` DoT hits: six spells each ticking every six seconds,
// the last skipping four ticks in every fifty.
void WriteFight(const std::string& path, int hits) {
  {
    qorn::Database db(path);
    qorn::Transaction tx(db);
    qorn::Statement insert(
        db,
        "INSERT INTO ParseData VALUES (?, ?, 'Qornek', 'a mob', ?, 0, ?, 'Dot', 0, 0, 0, 0, 0, "
        "0, 0)");
    constexpr int kSpells = 6;
    int written = 0;
    for (int tick = 0; written < hits; ++tick) {
      for (int spell = 0; spell < kSpells && written < hits; ++spell) {
        if (spell == kSpells - 1 && tick % 50 < 4) continue;
        const double second = tick * 6.0 + spell;
        insert.Bind(1, static_cast<int64_t>(written))
            .Bind(2, 46360.5 + second / 86400.0)
            .Bind(3, static_cast<int64_t>(500 + written % 400))
            .Bind(4, "Spell " + std::to_string(spell) + ".");
        insert.Step();
        insert.Reset();
        ++written;
      }
    }
    tx.Commit();
  }
  qorn::NullProgress progress;
  qorn::RenumberStoredParse(path, 60, progress);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: dot_uptime_bench DATABASE [RUNS]\n");
    return 2;
  }
  const std::string db = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  if (std::filesystem::exists(db)) {
    const qorn::bench::FightSize largest = qorn::bench::LargestFight(db, "Dot");
    std::printf("%s\n", db.c_str());
    Time("whole log", db, qorn::BuffScope::AllFights(), runs);
    if (largest.EventNum != 0) {
      std::printf("  largest fight: event %d, %lld DoT hits\n", largest.EventNum, largest.Rows);
      Time("largest fight", db, qorn::BuffScope::Fight(largest.EventNum), runs);
    }
  } else {
    std::printf("no database %s; only the made-up fight\n", db.c_str());
  }

  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("qorn-dot-uptime-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string scratch = (folder / "QornDB.mdb").string();
  constexpr int kHits = 100000;
  WriteFight(scratch, kHits);
  std::printf("made-up fight: %d DoT hits\n", kHits);
  Time("fight 1", scratch, qorn::BuffScope::Fight(1), runs);
  Time("whole log", scratch, qorn::BuffScope::AllFights(), runs);
  std::printf("peak RSS %.0f MiB\n", qorn::bench::PeakRssMiB());
  std::filesystem::remove_all(folder);
  return 0;
}
