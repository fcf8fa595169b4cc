// Records a reference case for the store tests: parses LOGFILE for NAME,
// writes the records to OUT.records.tsv, reads them back, stores them with a
// Get Log of timer 18, fills the overview, cuts again with a Get Previous of 30,
// and writes what the tables and overviews held to OUT.expected.tsv.
// Usage: make_reference LOGFILE NAME OUT
#include <unistd.h>
#include <cstdio>

#include <filesystem>

#include "commands/commands.h"
#include "store/event_overview.h"
#include "support/parse_log.h"
#include "support/reference_dump.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_reference LOGFILE NAME OUT\n");
    return 2;
  }
  namespace fs = std::filesystem;
  using namespace qorn;
  NullProgress progress;
  const std::string records = test::WriteRecords(test::ParseLogFile(argv[1], argv[2], progress));
  test::WriteFile(std::string(argv[3]) + ".records.tsv", records);

  const fs::path folder =
      fs::temp_directory_path() / ("make_reference_" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string db = (folder / "QornDB.mdb").string();
  test::ReferenceResult result;
  RunGetLog(folder.string(), test::ReadRecords(records), 18, {progress, progress});
  result.overview18 = test::DumpOverview(FillEventList(db, progress));
  result.parseData = test::DumpTable(db, "ParseData");
  result.spellCastResist = test::DumpTable(db, "SpellCastResist");
  result.spellDat = test::DumpTable(db, "SpellDat");
  RunGetPrevious(folder.string(), 30, {progress, progress});
  result.overview30 = test::DumpOverview(FillEventList(db, progress));
  result.parseData30 = test::DumpTable(db, "ParseData");
  test::WriteFile(std::string(argv[3]) + ".expected.tsv", test::WriteReference(result));
  fs::remove_all(folder);
  return 0;
}
