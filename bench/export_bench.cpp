// Times the HTML tick-graph export on the fight with the most rows of a log,
// and on a made-up worst shape: one fight of two hours (1,200 ticks) with 25
// DoT spells, two pet hits a second, direct damage and the three buffs.
// Usage: export_bench LOGFILE NAME FOLDER
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "common/date_time.h"
#include "export/html_tick_graph.h"
#include "store/database.h"
#include "store/stored_fights.h"
#include "commands/commands.h"
#include "commands/program_folder.h"

namespace {

using qorn::bench::Stopwatch;

using qorn::bench::LargestFight;
using Fight = qorn::bench::FightSize;

void WriteWorstFight(const std::string& db) {
  qorn::Database d(db);
  qorn::Transaction tx(d);
  d.ExecuteNative("DELETE FROM ParseData");
  qorn::Statement insert(
      d, "INSERT INTO ParseData VALUES (?,?,'Qornek','a raid boss',?,0,?,?,?,?,?,0,0,0,0)");
  const qorn::DateTime start = *qorn::MakeDateTime({2026, 12, 4, 20, 0, 0});
  int64_t rec = 0;
  auto add = [&](int second, int dmg, const std::string& src, const char* type, bool buff) {
    insert.Bind(1, rec++)
        .Bind(2, start + second / 86400.0)
        .Bind(3, static_cast<int64_t>(dmg))
        .Bind(4, src)
        .Bind(5, type)
        .Bind(6, static_cast<int64_t>(buff ? -1 : 0))
        .Bind(7, static_cast<int64_t>(second % 97 == 0 ? -1 : 0))
        .Bind(8, static_cast<int64_t>(second % 45 < 12 ? -1 : 0));
    insert.Step();
    insert.Reset();
  };
  for (int s = 0; s < 7200; ++s) {
    add(s, 150 + s % 50, "Gobekn", "Pet", false);
    add(s, 90 + s % 30, "a shadowy blade", s % 2 ? "Epic/Swarm" : "Pet", false);
    if (s % 10 == 3) add(s, 2500 + s % 700, "Ignite Bones.", "DD", s % 60 < 6);
    if (s % 6 == 1) {
      for (int j = 0; j < 25; ++j) {
        add(s, 300 + 37 * j + s % 11, "Dot spell " + std::to_string(j) + ".", "Dot", s % 60 < 6);
      }
    }
  }
  tx.Commit();
}

void TimeExport(const char* what, const std::string& db, const Fight& fight,
                const std::string& folder) {
  std::printf("%s: event %d, %lld rows, %lld ticks, %lld DoT sources\n", what, fight.EventNum,
              fight.Rows, fight.Ticks, fight.DotSources);
  double best = 1e9, worst = 0;
  for (int run = 0; run < 3; ++run) {
    Stopwatch watch;
    qorn::WriteHtmlTickGraph(db, fight.EventNum, folder + "/graph.htm", qorn::LocalNow());
    const double s = watch.Seconds();
    best = std::min(best, s);
    worst = std::max(worst, s);
  }
  std::printf("  %-22s best %.3f s, worst %.3f s of 3, %.0f KB\n", "WriteHtmlTickGraph", best,
              worst, static_cast<double>(std::filesystem::file_size(folder + "/graph.htm")) / 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: export_bench LOGFILE NAME FOLDER\n");
    return 2;
  }
  const std::string folder = argv[3];
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder + "/worst");
  const std::string db = qorn::InProgramFolder(folder, qorn::kDatabaseFile);
  qorn::NullProgress progress;
  qorn::RunGetLog(folder, argv[1], argv[2], qorn::kDefaultEventTimerSeconds,
                  {progress, progress});
  std::printf("Exports      %s (%.1f MB)\n", argv[1], qorn::bench::FileSizeMB(argv[1]));
  TimeExport("largest fight", db, LargestFight(db), folder);

  const std::string worstDb = qorn::InProgramFolder(folder + "/worst", qorn::kDatabaseFile);
  WriteWorstFight(worstDb);
  qorn::RunGetPrevious(folder + "/worst", qorn::kDefaultEventTimerSeconds, {progress, progress});
  TimeExport("two-hour raid, made up", worstDb, LargestFight(worstDb), folder + "/worst");
  std::filesystem::remove_all(folder);
  return 0;
}
