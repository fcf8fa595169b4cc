#include "export/stored_list.h"

#include <span>

#include "store/database.h"
#include "store/crit_marks.h"
#include "store/event_overview.h"
#include "views/damage_detail.h"
#include "views/dot_breakdown.h"
#include "views/dot_ticks.h"
#include "views/dot_uptime.h"
#include "views/list_columns.h"

namespace qorn {
namespace {

std::vector<std::string> Captions(std::span<const ListColumn> columns) {
  std::vector<std::string> captions;
  for (const ListColumn& column : columns) captions.emplace_back(column.Caption);
  return captions;
}

}  // namespace

ListContents StoredList(CsvList list, const std::string& databasePath, const Fight& fight,
                        bool petDetail) {
  switch (list) {
    case CsvList::Overview: {
      OpenForView(databasePath);  // the overview never makes a new database either
      NullProgress progress;
      ListContents contents{Captions(kOverviewColumns), {}};
      for (const OverviewRow& row : FillEventList(databasePath, progress).Rows) {
        contents.Rows.push_back(row.Cells());
      }
      return contents;
    }
    case CsvList::DotBreakdown:
      return {Captions(kDotBreakdownColumns), FillDotBreakdown(databasePath, fight.EventNum)};
    case CsvList::DotTicks:
      return {Captions(kDotTicksColumns), FillDotTicks(databasePath, fight.EventNum, fight.Mob)};
    case CsvList::AllDamageDetail: {
      std::vector<SpellDatRec> spells;
      {
        Database db = OpenForView(databasePath);
        spells = LoadSpellTable(db);
      }
      return {Captions(kDamageDetailColumns),
              ShowAllDamageDetail(databasePath, fight.EventNum, spells, petDetail)};
    }
    case CsvList::BuffValue:
      return StoredBuffValue(databasePath, BuffScope::Fight(fight.EventNum));
    case CsvList::DotUptime:
      return StoredDotUptime(databasePath, BuffScope::Fight(fight.EventNum));
  }
  return {};
}

ListContents StoredDotUptime(const std::string& databasePath, const BuffScope& scope) {
  return {Captions(DotUptimeColumns(scope)), DotUptime(databasePath, scope)};
}

ListContents StoredBuffValue(const std::string& databasePath, const BuffScope& scope) {
  return {Captions(kBuffValueColumns), BuffValue(databasePath, scope)};
}

}  // namespace qorn
