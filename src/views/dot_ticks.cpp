#include "views/dot_ticks.h"

#include "store/database.h"
#include "views/fight.h"

namespace qorn {

std::vector<ListRow> FillDotTicks(const std::string& databasePath, int32_t eventNum,
                                  std::string_view mob) {
  Database db = OpenForView(databasePath);
  const int32_t ticks = FightTicks(db, eventNum);  // the sums below cannot overflow
  const std::optional<std::vector<TickSum>> sums =
      SumPerTick(db, eventNum, ticks,
                 "SELECT TickNum, Dmg, Cpower, CoA, Inten FROM ParseData WHERE EventNum = ?", 4);
  if (sums) {
    std::vector<ListRow> rows;
    for (size_t tick = 0; tick < sums->size(); ++tick) {
      const TickSum& sum = (*sums)[tick];
      if (!sum.Rows) continue;
      ListRow row{std::to_string(tick), std::string(mob),
                  sum.Sums[0] ? std::to_string(*sum.Sums[0]) : std::string()};
      // A flag is stored as -1 when the buff ran: a negative sum means one hit carried it.
      for (size_t i = 1; i <= 3; ++i) row.push_back(sum.Sums[i].value_or(0) < 0 ? "-1" : "0");
      rows.push_back(std::move(row));
    }
    return rows;
  }
  Recordset rs(db,
               "SELECT TickNum, Sum([dmg]), sum(Cpower), sum(CoA), sum(inten)"
               " From ParseData"
               " Where EventNum = " +
                   std::to_string(eventNum) + " " + " GROUP BY TickNum;");
  std::vector<ListRow> rows;
  rows.reserve(static_cast<size_t>(rs.RecordCount()));
  for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
    ListRow row{rs.Field(0).AsText(), std::string(mob), rs.Field(1).AsText()};
    // A flag is stored as -1 when the buff ran: a negative sum means one hit carried it.
    for (int i = 2; i <= 4; ++i) row.push_back(rs.Field(i).AsDouble() < 0 ? "-1" : "0");
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace qorn
