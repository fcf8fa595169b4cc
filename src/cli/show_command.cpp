// qorn-cli show: the rows of one view of a stored fight, as the window's
// lists show them.
#include <span>

#include "cli/cli_args.h"
#include "common/error.h"
#include "store/database.h"
#include "store/crit_marks.h"
#include "commands/program_folder.h"
#include "export/stored_list.h"
#include "views/buff_value.h"
#include "views/damage_detail.h"
#include "views/dot_breakdown.h"
#include "views/dot_ticks.h"
#include "views/dot_uptime.h"
#include "views/fight.h"
#include "views/fight_meter.h"
#include "views/list_columns.h"
#include "views/tick_graphs.h"

namespace qorn::cli {
namespace {

void PrintHeader(Out& out, std::span<const ListColumn> columns) {
  std::vector<std::string> captions;
  for (const ListColumn& column : columns) captions.emplace_back(column.Caption);
  out.Row(captions);
}

// Every line as the list shows it: as many fields as the list has columns,
// empty where a line has no cell.
void PrintRows(Out& out, std::vector<ListRow> rows, size_t columns) {
  for (ListRow& row : rows) {
    row.resize(columns);
    out.Row(row);
  }
}

// A list under its own captions.
void PrintList(Out& out, ListContents list) {
  out.Row(list.Headers);
  PrintRows(out, std::move(list.Rows), list.Headers.size());
}

}  // namespace

int ShowCommand(const CommandLine& line) {
  const Args args = line.Read({}, {"--no-pet-detail", "--no-spell-detail"});
  if (args.positional.size() != 2) {
    throw UsageError{
        "show needs EVENT and a view: breakdown, ticks, detail, buffs, uptime, meter or summary"};
  }
  const std::string& view = args.positional[1];
  if (view != "breakdown" && view != "ticks" && view != "detail" && view != "buffs" &&
      view != "uptime" && view != "meter" && view != "summary") {
    throw UsageError{"unknown view " + view +
                     "; the views are breakdown, ticks, detail, buffs, uptime, meter and summary"};
  }
  // Buff Value and DoT Uptime also cover every stored fight at once.
  const bool allFights = args.positional[0] == "all";
  if (allFights && view != "buffs" && view != "uptime") {
    throw UsageError{"EVENT all goes only with the views buffs and uptime; " + view +
                     " needs a fight's number"};
  }
  const std::string database = InProgramFolder(FindProgramFolder(line.home), kDatabaseFile);
  if (allFights) {
    OpenForView(database);  // a missing database is an error, never made empty
    Out out;
    if (view == "uptime") {
      PrintList(out, StoredDotUptime(database, BuffScope::AllFights()));
    } else {
      PrintHeader(out, kBuffValueColumns);
      PrintRows(out, BuffValue(database, BuffScope::AllFights()), kBuffValueColumns.size());
    }
    return kDone;
  }
  const Fight fight = StoredFight(database, args.positional[0]);
  const int32_t eventNum = fight.EventNum;
  Out out;
  if (view == "breakdown") {
    PrintHeader(out, kDotBreakdownColumns);
    PrintRows(out, FillDotBreakdown(database, eventNum), kDotBreakdownColumns.size());
  } else if (view == "ticks") {
    PrintHeader(out, kDotTicksColumns);
    PrintRows(out, FillDotTicks(database, eventNum, fight.Mob), kDotTicksColumns.size());
  } else if (view == "uptime") {
    PrintList(out, StoredDotUptime(database, BuffScope::Fight(eventNum)));
  } else if (view == "meter" || view == "summary") {
    Database db = OpenForView(database);
    const std::optional<FightMeter> meter = ReadFightMeter(db, eventNum);
    if (!meter) throw Error("The stored parse has no fight " + std::to_string(eventNum) + ".");
    if (view == "summary") {
      out.Row({FightSummaryLine(*meter)});
    } else {
      PrintHeader(out, kMeterColumns);
      PrintRows(out, MeterLines(*meter), kMeterColumns.size());
    }
  } else if (view == "buffs") {
    PrintHeader(out, kBuffValueColumns);
    PrintRows(out, BuffValue(database, BuffScope::Fight(eventNum)), kBuffValueColumns.size());
  } else {
    std::vector<SpellDatRec> spells;
    {
      Database db = OpenForView(database);
      spells = LoadSpellTable(db);
    }
    // Without spell detail the list hides its last four columns.
    const size_t columns =
        args.Has("--no-spell-detail") ? kSpellDetailFirstColumn : kDamageDetailColumns.size();
    PrintHeader(out, std::span(kDamageDetailColumns).first(columns));
    PrintRows(out, ShowAllDamageDetail(database, eventNum, spells, !args.Has("--no-pet-detail")),
              columns);
  }
  return kDone;
}

}  // namespace qorn::cli
