#include "views/dot_breakdown.h"

#include "common/error.h"
#include "store/database.h"
#include "store/jet_sql.h"

namespace qorn {

std::vector<ListRow> FillDotBreakdown(const std::string& databasePath, int32_t eventNum) {
  Database db = OpenForView(databasePath);
  // Stepped row by row rather than read into a recordset: a long raid has
  // tens of thousands of hits, and only eight of each row's fields show.
  Statement rows(db, TranslateJetSql("SELECT * FROM ParseData WHERE EventNum = " +
                                     std::to_string(eventNum) + " AND DmgType = 'Dot'"));
  constexpr const char* kFields[] = {"TickNum", "Mob",    "DmgSrc", "Dmg",
                                     "Crit",    "Cpower", "CoA",    "Inten"};
  int columns[std::size(kFields)];
  for (size_t f = 0; f < std::size(kFields); ++f) {
    columns[f] = -1;
    for (int c = 0; c < rows.ColumnCount(); ++c) {
      if (rows.ColumnName(c) == kFields[f]) columns[f] = c;
    }
    if (columns[f] < 0) throw Error(std::string("No field ") + kFields[f] + " in ParseData");
  }
  std::vector<ListRow> lines;
  while (rows.Step()) {
    ListRow line;
    line.reserve(std::size(kFields));
    for (const int c : columns) line.push_back(rows.Column(c).AsText());
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace qorn
