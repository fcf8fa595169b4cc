#include "views/dot_breakdown.h"

#include "store/database.h"

namespace qorn {

std::vector<ListRow> FillDotBreakdown(const std::string& databasePath, int32_t eventNum) {
  Database db = OpenForView(databasePath);
  Recordset rs(db, "SELECT * FROM ParseData WHERE EventNum = " + std::to_string(eventNum) +
                       " AND DmgType = 'Dot'");
  std::vector<ListRow> rows;
  rows.reserve(static_cast<size_t>(rs.RecordCount()));
  for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
    ListRow row;
    row.reserve(8);
    for (const char* field :
         {"TickNum", "Mob", "DmgSrc", "Dmg", "Crit", "Cpower", "CoA", "Inten"}) {
      row.push_back(rs.Field(field).AsText());
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace qorn
