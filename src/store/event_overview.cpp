#include "store/event_overview.h"

#include <cmath>
#include <cstdio>

#include "store/database.h"
#include "store/jet_sql.h"

namespace qorn {

double RoundTwoDecimals(double value) {
  // Through the decimal text of the value, so that 1.005 written as such is
  // treated as the 1.005 the user sees, not as its binary neighbour.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10f", std::fabs(value));
  double scaled = std::strtod(buf, nullptr) * 100.0;
  scaled = std::floor(scaled + 0.5 + 1e-9);
  return std::copysign(scaled / 100.0, value);
}

std::string FormatShortDecimal(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", RoundTwoDecimals(value));
  std::string text = buf;
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::vector<std::string> OverviewRow::Cells() const {
  return {Mob,
          std::to_string(Total),
          FormatShortDecimal(Dps),
          std::to_string(Seconds),
          FormatGeneralDate(First),
          FormatGeneralDate(Last)};
}

Overview FillEventList(const std::string& databasePath, Progress& progress) {
  Overview overview;
  Database db(databasePath);
  {
    Recordset max(db, "select max(EventNum) from ParseData");
    if (!max.EndOfFile()) overview.EventCount = static_cast<int32_t>(max.Field(0).AsInt());
  }
  progress.SetValue(0);
  progress.SetMaximum(overview.EventCount + 1);

  // The event number is bound where the texts name it.
  Statement times(db, TranslateJetSql("Select max(Dtime), min(Dtime) FROM SortMobTime WHERE eventnum = ?"));
  Statement total(db, TranslateJetSql("Select sum(dmg) FROM SortMobTime WHERE eventnum = ?"));
  Statement mob(db, TranslateJetSql("Select mob FROM SortMobTime WHERE eventnum = ?"));
  const int32_t step = overview.EventCount / 200 + 1;
  for (int32_t e = 1; e <= overview.EventCount; ++e) {
    OverviewRow row;
    row.EventNum = e;
    times.Bind(1, static_cast<int64_t>(e));
    if (times.Step()) {
      row.Last = times.ColumnDouble(0);
      row.First = times.ColumnDouble(1);
    }
    times.Reset();
    total.Bind(1, static_cast<int64_t>(e));
    if (total.Step()) row.Total = total.ColumnInt(0);
    total.Reset();
    mob.Bind(1, static_cast<int64_t>(e));
    if (mob.Step()) row.Mob = mob.ColumnText(0);
    mob.Reset();
    row.Seconds = SecondsBetween(row.First, row.Last);
    if (row.Seconds == 0) row.Seconds = 1;
    row.Dps = RoundTwoDecimals(static_cast<double>(row.Total) / static_cast<double>(row.Seconds));
    overview.Rows.push_back(std::move(row));
    if (e % step == 0) progress.SetValue(e);
  }
  return overview;
}

}  // namespace qorn
