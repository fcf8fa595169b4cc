#include "views/dot_ticks.h"

#include "store/database.h"
#include "views/fight.h"

namespace qorn {

std::vector<ListRow> FillDotTicks(const std::string& databasePath, int32_t eventNum,
                                  std::string_view mob) {
  Database db = OpenForView(databasePath);
  FightTicks(db, eventNum);  // the sums below cannot overflow
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
