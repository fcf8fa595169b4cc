// Times the parse of one log file as Get Log runs it (ParseLogInBlocks: both
// passes, every record built and handed over a block at a time, here counted
// and dropped) and prints MB/s, lines/s and peak memory. The time is
// wall-clock time, as both passes run on two threads; the processor time
// stands beside it. The best of RUNS is taken.
//
//   parse_bench LOGFILE NAME [RUNS] [--row LABEL]
//
// With --row, one line of a table instead: label, MB, lines, damage and cast
// records, best seconds, MB/s, peak memory in MiB and the best processor
// seconds, separated by tabs.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_util.h"
#include "parse/log_file.h"
#include "parse/log_parser.h"

namespace {

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: parse_bench LOGFILE NAME [RUNS] [--row LABEL]\n");
    return 2;
  }
  const std::string path = argv[1];
  int runs = 3;
  const char* row = nullptr;
  for (int i = 3; i < argc; ++i) {
    if (std::string(argv[i]) == "--row" && i + 1 < argc) {
      row = argv[++i];
    } else {
      runs = std::atoi(argv[i]);
    }
  }
  const double mb = qorn::bench::FileSizeMB(path);
  double best = 1e30;
  double bestCpu = 1e30;
  long long lines = 0;
  size_t damage = 0, casts = 0;
  for (int i = 0; i < runs; ++i) {
    qorn::NullProgress progress;
    const double cpuStart = ProcessSeconds();
    const qorn::bench::Stopwatch watch;
    size_t damageNow = 0, castsNow = 0;
    const qorn::LogFile log(path);
    const qorn::ParseResult result =
        qorn::ParseLogInBlocks(log, argv[2], progress, [&](qorn::RecordBlock& block) {
          damageNow += block.Records.DamageRecs.size();
          castsNow += block.Records.CastRecs.size();
        });
    best = std::min(best, watch.Seconds());
    bestCpu = std::min(bestCpu, ProcessSeconds() - cpuStart);
    lines = result.Lines;
    damage = damageNow;
    casts = castsNow;
  }
  if (row != nullptr) {
    std::printf("%s\t%.1f\t%lld\t%zu\t%zu\t%.3f\t%.0f\t%.0f\t%.3f\n", row, mb, lines, damage, casts,
                best, mb / best, qorn::bench::PeakRssMiB(), bestCpu);
    return 0;
  }
  std::printf("ParseLogInBlocks  %-24s %8.1f MB  %9lld lines  %8zu damage  %6zu casts\n",
              path.substr(path.find_last_of('/') + 1).c_str(), mb, lines, damage, casts);
  std::printf(
      "  best of %d: %.3f s (%.3f s processor time)  %.0f MB/s  %.1f M lines/s  peak RSS %.0f "
      "MiB\n",
      runs, best, bestCpu, mb / best, static_cast<double>(lines) / best / 1e6,
      qorn::bench::PeakRssMiB());
  return 0;
}
