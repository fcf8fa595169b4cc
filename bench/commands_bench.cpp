// Times each stage of Get Log and of Get Previous over one log file, in a
// fresh program folder, and prints peak memory.
// Usage: commands_bench LOGFILE NAME FOLDER
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_util.h"
#include "parse/log_parser.h"
#include "store/compaction.h"
#include "store/event_builder.h"
#include "store/event_overview.h"
#include "store/parse_store.h"
#include "store/program_folder.h"

namespace {

void Line(const char* stage, double seconds) { std::printf("  %-22s %8.3f s\n", stage, seconds); }

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
  const std::string db = qorn::InProgramFolder(folder, qorn::kDatabaseFile);
  qorn::NullProgress progress;
  using qorn::bench::Stopwatch;

  std::printf("Get Log      %s (%.1f MB)\n", log.c_str(), qorn::bench::FileSizeMB(log));
  Stopwatch total;
  Stopwatch watch;
  size_t records = 0;
  {
    const qorn::ParseResult parsed = qorn::ParseLogFile(log, argv[2], progress);
    records = parsed.DamageRecs.size();
    Line("ParseLogFile", watch.Seconds());
    watch.Restart();
    qorn::StoreParsedRecords(db, parsed, progress);
    Line("StoreParsedRecords", watch.Seconds());
  }
  watch.Restart();
  auto events = qorn::BuildEvents(db, 18, progress);
  Line("BuildEvents", watch.Seconds());
  watch.Restart();
  auto overview = qorn::FillEventList(db, progress);
  Line("FillEventList", watch.Seconds());
  watch.Restart();
  const bool compacted = qorn::CompactParseDatabase(db);
  Line("CompactParseDatabase", watch.Seconds());
  std::printf("  %-22s %8.3f s   %zu records, %d events, database %.0f MB%s\n", "total",
              total.Seconds(), records, events.EventCount,
              static_cast<double>(std::filesystem::file_size(db)) / 1e6,
              compacted ? "" : " (compaction failed)");

  std::printf("Get Previous (timer 30)\n");
  total.Restart();
  watch.Restart();
  events = qorn::BuildEvents(db, 30, progress);
  Line("BuildEvents", watch.Seconds());
  watch.Restart();
  overview = qorn::FillEventList(db, progress);
  Line("FillEventList", watch.Seconds());
  watch.Restart();
  qorn::CompactParseDatabase(db);
  Line("CompactParseDatabase", watch.Seconds());
  std::printf("  %-22s %8.3f s   %d events\n", "total", total.Seconds(), events.EventCount);
  std::printf("peak RSS %.0f MiB\n", qorn::bench::PeakRssMiB());
  std::filesystem::remove_all(folder);
  return 0;
}
