// qorn-cli export: a list of a stored fight to a CSV file, or the fight's
// tick graph to an HTML file, with the bytes the window's Export menu writes.
#include "cli/cli_args.h"
#include "common/error.h"
#include "export/csv_export.h"
#include "export/html_tick_graph.h"
#include "export/stored_list.h"
#include "store/database.h"
#include "commands/program_folder.h"
#include "views/fight.h"
#include "views/tick_graphs.h"

namespace qorn::cli {
namespace {

CsvList ListNamed(const std::string& name) {
  if (name == "overview") return CsvList::Overview;
  if (name == "breakdown") return CsvList::DotBreakdown;
  if (name == "ticks") return CsvList::DotTicks;
  if (name == "detail") return CsvList::AllDamageDetail;
  if (name == "buffs") return CsvList::BuffValue;
  if (name == "uptime") return CsvList::DotUptime;
  throw UsageError{"unknown list " + name +
                   "; the lists are overview, breakdown, ticks, detail, buffs and uptime"};
}

}  // namespace

int ExportCommand(const CommandLine& line) {
  const Args args = line.Read({"--list", "--csv", "--html"}, {"--no-pet-detail"});
  if (args.positional.size() != 1) {
    throw UsageError{
        "export needs EVENT, a fight's number, and --list LIST --csv FILE or --html FILE"};
  }
  const auto list = args.Value("--list");
  const auto csv = args.Value("--csv");
  const auto html = args.Value("--html");
  if (html && (list || csv)) throw UsageError{"--html and --list/--csv exclude each other"};
  if (!html && !(list && csv)) {
    throw UsageError{"export needs --list LIST with --csv FILE, or --html FILE"};
  }
  if (html && args.Has("--no-pet-detail")) throw UsageError{"--no-pet-detail is for --list detail"};
  const CsvList which = list ? ListNamed(*list) : CsvList::Overview;
  const std::string database = InProgramFolder(FindProgramFolder(line.home), kDatabaseFile);
  // Buff Value and DoT Uptime also cover every stored fight at once.
  if (args.positional[0] == "all") {
    if ((which != CsvList::BuffValue && which != CsvList::DotUptime) || html) {
      throw UsageError{"EVENT all goes only with --list buffs or --list uptime"};
    }
    WriteCsvExport(which,
                   which == CsvList::DotUptime ? StoredDotUptime(database, BuffScope::AllFights())
                                               : StoredBuffValue(database, BuffScope::AllFights()),
                   *csv);
    Out out;
    out << ExportedMessage(KindOf(which).Message, *csv) << "\n";
    return kDone;
  }
  const Fight fight = StoredFight(database, args.positional[0]);
  const int32_t eventNum = fight.EventNum;
  Out out;
  if (html) {
    WriteHtmlTickGraph(database, eventNum, *html, LocalNow());
    out << ExportedMessage(kHtmlExportedMessage, *html) << "\n";
    return kDone;
  }
  WriteCsvExport(which, StoredList(which, database, fight, !args.Has("--no-pet-detail")), *csv);
  out << ExportedMessage(KindOf(which).Message, *csv) << "\n";
  return kDone;
}

}  // namespace qorn::cli
