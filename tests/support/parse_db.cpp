#include "support/parse_db.h"

#include "store/database.h"

namespace qorn::test {

DateTime FixtureTime(int second) {
  return *MakeDateTime({2026, 12, 4, 17, 0, 0}) + second / 86400.0;
}

void WriteParseRows(const std::string& path, const std::vector<FixtureRow>& rows) {
  Database db(path);
  Transaction tx(db);
  db.ExecuteNative("DELETE FROM ParseData");
  Statement insert(db, "INSERT INTO ParseData VALUES (?,?,'Soandso',?,?,0,?,?,?,?,?,0,0,0,0)");
  for (size_t i = 0; i < rows.size(); ++i) {
    const FixtureRow& r = rows[i];
    insert.Bind(1, static_cast<int64_t>(i))
        .Bind(2, *MakeDateTime(ToCivil(FixtureTime(r.second))))
        .Bind(3, r.mob)
        .Bind(4, static_cast<int64_t>(r.dmg))
        .Bind(5, r.src)
        .Bind(6, r.type)
        .Bind(7, static_cast<int64_t>(r.cpower ? -1 : 0))
        .Bind(8, static_cast<int64_t>(r.inten ? -1 : 0))
        .Bind(9, static_cast<int64_t>(r.coa ? -1 : 0));
    insert.Step();
    insert.Reset();
  }
  tx.Commit();
}

void WriteCasts(const std::string& path, const std::vector<FixtureCast>& casts) {
  Database db(path);
  Transaction tx(db);
  db.ExecuteNative("DELETE FROM SpellCastResist");
  Statement insert(db, "INSERT INTO SpellCastResist VALUES (?,?,?,?)");
  for (size_t i = 0; i < casts.size(); ++i) {
    insert.Bind(1, static_cast<int64_t>(i))
        .Bind(2, *MakeDateTime(ToCivil(FixtureTime(casts[i].second))))
        .Bind(3, static_cast<int64_t>(casts[i].code))
        .Bind(4, casts[i].spell);
    insert.Step();
    insert.Reset();
  }
  tx.Commit();
}

std::vector<std::string> EventsAndTicks(const std::string& path) {
  Database db(path);
  Statement rows(db, "SELECT EventNum, TickNum FROM ParseData ORDER BY RecNum");
  std::vector<std::string> out;
  while (rows.Step()) {
    out.push_back(std::to_string(rows.ColumnInt(0)) + "/" + std::to_string(rows.ColumnInt(1)));
  }
  return out;
}

}  // namespace qorn::test
