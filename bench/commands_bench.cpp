// Times each stage of Get Log, of Get Previous (timer 30, twice) and of Get
// Log again as the commands run them, in a fresh program folder, and prints peak
// memory. The stages are
// timed where the commands move their stage bar.
// Usage: commands_bench LOGFILE NAME FOLDER
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "commands/commands.h"
#include "commands/program_folder.h"

namespace {

using qorn::bench::Stopwatch;

// Records when the stage bar moves.
class StageClock final : public qorn::Progress {
 public:
  void SetVisible(bool) override {}
  void SetMaximum(double) override {}
  void SetValue(double value) override {
    if (value > 0) {
      times_.push_back(watch_.Seconds());
      cpu_.push_back(CpuSeconds() - cpuStart_);
    }
  }
  void Start() {
    times_.clear();
    cpu_.clear();
    watch_.Restart();
    cpuStart_ = CpuSeconds();
  }
  // Seconds of stage `k` (1-based), from the previous stage's end.
  double Stage(size_t k) const { return Delta(times_, k); }
  double StageCpu(size_t k) const { return Delta(cpu_, k); }
  double Total() const { return times_.empty() ? 0 : times_.back(); }
  double TotalCpu() const { return cpu_.empty() ? 0 : cpu_.back(); }

 private:
  static double Delta(const std::vector<double>& v, size_t k) {
    if (k > v.size()) return 0;
    return v[k - 1] - (k > 1 ? v[k - 2] : 0);
  }
  // Processor time of all the process's threads.
  static double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
  }
  Stopwatch watch_;
  double cpuStart_ = 0;
  std::vector<double> times_;
  std::vector<double> cpu_;
};

void Print(const StageClock& clock, const char* const (&names)[5], size_t first) {
  for (size_t k = first; k <= 5; ++k) {
    std::printf("  %-44s %7.3f s  cpu %7.3f s\n", names[k - 1], clock.Stage(k), clock.StageCpu(k));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: commands_bench LOGFILE NAME FOLDER\n");
    return 2;
  }
  const std::string log = argv[1];
  const std::string folder = argv[3];
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  qorn::NullProgress loop;
  StageClock clock;
  static constexpr const char* kStages[5] = {
      "parse (ParseLogFile)", "store (events numbered, overview, rows)", "events (indexes built)",
      "overview (made in the store stage)", "compaction (new file flushed, put in place)"};

  std::printf("Get Log      %s (%.1f MB)\n", log.c_str(), qorn::bench::FileSizeMB(log));
  clock.Start();
  const qorn::CommandOutcome got = qorn::RunGetLog(folder, log, argv[2], 18, {loop, clock});
  Print(clock, kStages, 1);
  const std::string db = qorn::InProgramFolder(folder, qorn::kDatabaseFile);
  std::printf("  %-44s %7.3f s  cpu %7.3f s   %d events, database %.0f MB\n", "total",
              clock.Total(), clock.TotalCpu(), got.Events.EventCount,
              static_cast<double>(std::filesystem::file_size(db)) / 1e6);

  std::printf("Get Previous (timer 30)\n");
  clock.Start();
  const qorn::CommandOutcome again = qorn::RunGetPrevious(folder, 30, {loop, clock});
  Print(clock, kStages, 3);
  std::printf("  %-44s %7.3f s  cpu %7.3f s   %d events\n", "total", clock.Total(),
              clock.TotalCpu(), again.Events.EventCount);

  // As a user opens the last parse after starting the program: the numbers do
  // not change, and the stored file stays as it is.
  std::printf("Get Previous again (timer 30, nothing changes)\n");
  clock.Start();
  qorn::RunGetPrevious(folder, 30, {loop, clock});
  Print(clock, kStages, 3);
  std::printf("  %-44s %7.3f s  cpu %7.3f s\n", "total", clock.Total(), clock.TotalCpu());

  // As a user reads the log again: the stored parse is checked (on the second
  // core, beside the parse), its spell table kept, and the new file replaces it.
  std::printf("Get Log again, over the stored parse\n");
  clock.Start();
  qorn::RunGetLog(folder, log, argv[2], 18, {loop, clock});
  Print(clock, kStages, 1);
  std::printf("  %-44s %7.3f s  cpu %7.3f s\n", "total", clock.Total(), clock.TotalCpu());
  std::printf("peak RSS %.0f MiB\n", qorn::bench::PeakRssMiB());
  std::filesystem::remove_all(folder);
  return 0;
}
