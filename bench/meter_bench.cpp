// Times a refresh of the meter: its reading of the fight (what the worker
// does: open the parse, find the fight, read its sources and uptime) and its
// drawing at the meter's size, on made-up fights of 10,000 rows (six DoTs,
// pets and direct damage; the worst shape: 10,000 rows of 2,000 DoT names),
// and of 100,000 rows (a long raid). With DATABASE, also its largest fight
// and its newest (as while following).
// Usage: meter_bench [DATABASE] [RUNS]
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "common/progress.h"
#include "offscreen_qt.h"
#include "render/meter_picture.h"
#include "store/database.h"
#include "store/parse_state.h"
#include "store/stored_fights.h"
#include "views/fight_meter.h"

namespace {

using qorn::bench::Stopwatch;

// One fight of `rows` rows: every seventh a pet's hit, every twentieth a
// direct hit, the rest DoT ticks of `spells` names in turn.
void WriteFight(const std::string& path, int rows, int spells) {
  {
    qorn::Database db(path);
    qorn::Transaction tx(db);
    qorn::Statement insert(db,
                           "INSERT INTO ParseData VALUES (?, ?, 'Qornek', 'a mob', ?, 0, ?, ?, 0, "
                           "0, 0, 0, 0, 0, 0)");
    for (int i = 0; i < rows; ++i) {
      const bool pet = i % 7 == 0;
      const bool direct = !pet && i % 20 == 0;
      const std::string source = pet      ? "bites"
                                 : direct ? "Ignite Bones"
                                          : "Spell " + std::to_string(i % spells) + ".";
      insert.Bind(1, static_cast<int64_t>(i))
          .Bind(2, 46360.5 + (i / 4) / 86400.0)
          .Bind(3, static_cast<int64_t>(300 + i % 500))
          .Bind(4, source)
          .Bind(5, pet      ? "Pet"
                   : direct ? "DD"
                            : "Dot");
      insert.Step();
      insert.Reset();
    }
    qorn::WriteStateBytes(db, qorn::StateKey::CharName, "Qornek");
    tx.Commit();
  }
  qorn::NullProgress progress;
  qorn::RenumberStoredParse(path, 60, progress);
}

// Reads fight `eventNum` (the newest when 0) as the meter's worker does,
// and draws it as the meter does, `runs` times.
void Time(const char* what, const std::string& db, int32_t eventNum, int runs) {
  std::vector<double> openMs, readMs, drawMs, bothMs;
  size_t sources = 0;
  for (int run = 0; run < runs; ++run) {
    Stopwatch watch;
    qorn::Database d = qorn::OpenForView(db);
    openMs.push_back(watch.Seconds() * 1000);
    const std::optional<int32_t> fight =
        eventNum != 0 ? std::optional<int32_t>(eventNum) : qorn::NewestFight(d);
    const std::optional<qorn::FightMeter> meter =
        fight ? qorn::ReadFightMeter(d, *fight) : std::nullopt;
    qorn::StoredCutTimer(d);
    const double read = watch.Seconds() * 1000;
    watch.Restart();
    const QImage picture = qorn::RenderMeter(QSize(300, 220), meter, {}, {});
    const double draw = watch.Seconds() * 1000;
    sources = meter ? meter->Sources.size() : 0;
    readMs.push_back(read);
    drawMs.push_back(draw);
    bothMs.push_back(read + draw);
  }
  std::printf("  %-34s %5zu sources\n", what, sources);
  std::printf("    open     %s\n", qorn::bench::MinMedianMax(openMs).c_str());
  std::printf("    read     %s (the open included)\n", qorn::bench::MinMedianMax(readMs).c_str());
  std::printf("    draw     %s\n", qorn::bench::MinMedianMax(drawMs).c_str());
  std::printf("    refresh  %s\n", qorn::bench::MinMedianMax(bothMs).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  qorn::bench::UseOffscreenQt();
  QGuiApplication app(argc, argv);
  const std::string db = argc > 1 ? argv[1] : "";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;

  if (!db.empty() && std::filesystem::exists(db)) {
    const qorn::bench::FightSize largest = qorn::bench::LargestFight(db);
    std::printf("%s\n", db.c_str());
    Time("newest fight (as while following)", db, 0, runs);
    if (largest.EventNum != 0) {
      const std::string what = "largest fight: " + std::to_string(largest.Rows) + " rows";
      Time(what.c_str(), db, largest.EventNum, runs);
    }
  }

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("qorn-meter-bench-" + std::to_string(getpid()));
  struct Shape {
    const char* what;
    int rows;
    int spells;
  };
  for (const Shape& shape : {Shape{"10,000 rows, 6 DoTs, pets, DD", 10000, 6},
                             Shape{"10,000 rows, 2,000 DoT names", 10000, 2000},
                             Shape{"100,000 rows, 6 DoTs, pets, DD", 100000, 6}}) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string scratch = (folder / "QornDB.mdb").string();
    WriteFight(scratch, shape.rows, shape.spells);
    std::printf("made-up fight\n");
    Time(shape.what, scratch, 1, runs);
  }
  std::printf("peak RSS %.0f MiB\n", qorn::bench::PeakRssMiB());
  std::filesystem::remove_all(folder);
  return 0;
}
