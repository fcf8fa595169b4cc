#include "views/damage_detail.h"

#include <cstdlib>
#include <string_view>

#include "common/date_time.h"
#include "common/number_format.h"
#include "store/database.h"

namespace qorn {
namespace {

// One line of the DoT section being built. Sums are 64-bit: a long raid's
// totals and the mana product must not wrap.
struct DotStatRec {
  std::string Name;
  int64_t Total = 0;
  int64_t High = 0;
  int64_t Low = 0;
  double AvgDmg = 0;
  int64_t Hits = 0;
  int64_t Crits = 0;
  int64_t Casts = 0;
  int64_t Resists = 0;
  int64_t Fizzles = 0;
  int64_t Interrupts = 0;
};

std::string Digits(int64_t value) { return std::to_string(value); }

// The six cells of a summary line from fields max, min, avg, sum, count.
void AddSummaryCells(ListRow& row, const Recordset& rs, int64_t durationSecs) {
  const double sum = rs.Field(3).AsDouble();
  row.push_back(FormatWhole(sum));
  row.push_back(FormatTwoDecimals(sum / static_cast<double>(durationSecs)));
  row.push_back(rs.Field(0).AsText());
  row.push_back(rs.Field(1).AsText());
  row.push_back(FormatTwoDecimals(rs.Field(2).AsDouble()));
  row.push_back(rs.Field(4).AsText());
}

std::string CritText(int64_t crits, int64_t hits) {
  return Digits(crits) + " (" +
         FormatPercent(static_cast<double>(crits) / static_cast<double>(hits)) + ")";
}

std::string DamagePerMana(const DotStatRec& s, const std::vector<SpellDatRec>& spells) {
  if (s.Casts == 0) return "0";
  for (const SpellDatRec& spell : spells) {
    if (spell.Spell == s.Name && spell.Mana != 0) {
      return FormatTwoDecimals(static_cast<double>(s.Total) /
                               static_cast<double>(int64_t{spell.Mana} * s.Casts));
    }
  }
  return "0";
}

}  // namespace

std::vector<ListRow> ShowAllDamageDetail(const std::string& databasePath, int32_t eventNum,
                                         const std::vector<SpellDatRec>& spellDatRecs,
                                         bool petDetail) {
  Database db = OpenForView(databasePath);
  FightTicks(db, eventNum);  // the sums below cannot overflow
  const std::string event = std::to_string(eventNum);
  std::vector<ListRow> rows;

  // The DoT sources; an event without DoT damage keeps one nameless line.
  std::vector<DotStatRec> dotStats;
  {
    Recordset rs(db, "SELECT distinct(dmgsrc) FROM ParseData WHERE EventNum = " + event +
                         " AND dmgtype = 'Dot' GROUP BY dmgsrc");
    for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
      dotStats.push_back({.Name = rs.Field(0).AsText()});
    }
    if (dotStats.empty()) dotStats.emplace_back();
  }

  // The event's window: its first and last hit.
  int64_t durationSecs = 1;
  DateTime start = 0, end = 0;
  {
    Recordset rs(db, "Select * FROM DPS WHERE eventnum = " + event);
    if (!rs.EndOfFile()) {
      start = rs.Field(3).AsDouble();
      end = rs.Field(2).AsDouble();
      durationSecs = SecondsBetween(start, end);
      if (durationSecs == 0) durationSecs = 1;
    }
  }
  const std::string startText = FormatSqlDateTime(start);
  const std::string endText = FormatSqlDateTime(end);

  // Spells of the spell table cast in the window get a line even without damage.
  {
    Recordset rs(db,
                 "SELECT DISTINCT (SpellCastResist.spell) FROM SpellCastResist RIGHT JOIN Spelldat "
                 "ON SpellCastResist.Spell=Spelldat.spell WHERE SpellCastResist.CorR<5 AND "
                 "SpellCastResist.DTime >= #" +
                     startText + "# AND SpellCastResist.DTime <= #" + endText + "#");
    for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
      const std::string spell = rs.Field(0).AsText();
      bool present = false;
      for (const DotStatRec& s : dotStats) present = present || s.Name == spell;
      if (!present) dotStats.push_back({.Name = spell});
    }
  }

  rows.push_back({"DoTs"});

  int64_t totalDmg = 0, maxHigh = 0, minLow = 0, totalHits = 0, totalCrits = 0;
  {
    // Groups come back in the order of the source list above (both group by
    // dmgsrc), so the i-th group fills the i-th line.
    Recordset rs(db,
                 "SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg), sum(Crit)FROM "
                 "ParseData WHERE EventNum = " +
                     event + " AND dmgtype = 'Dot'GROUP BY dmgsrc");
    size_t i = 0;
    for (rs.MoveFirst(); !rs.EndOfFile() && i < dotStats.size(); rs.MoveNext(), ++i) {
      DotStatRec& s = dotStats[i];
      s.High = rs.Field(0).AsInt();
      s.Low = rs.Field(1).AsInt();
      s.AvgDmg = rs.Field(2).AsDouble();
      s.Total = rs.Field(3).AsInt();
      s.Hits = rs.Field(4).AsInt();
      s.Crits = std::llabs(rs.Field(5).AsInt());
      if (s.High > maxHigh) maxHigh = s.High;
      if (i == 0 || s.Low < minLow) minLow = s.Low;
      totalDmg += s.Total;
      totalHits += s.Hits;
      totalCrits += s.Crits;
    }
  }
  const int64_t totalAvg =
      totalHits > 0 ? RoundHalfEven(static_cast<double>(totalDmg) / static_cast<double>(totalHits))
                    : 0;

  // Casts, resists, fizzles and interrupts in the window, by spell.
  int64_t castTotals[4] = {};
  for (int code = 0; code < 4; ++code) {
    Recordset rs(
        db, "SELECT count(Spell), spell FROM SpellCastResist WHERE CorR = " + std::to_string(code) +
                " AND Dtime >= #" + startText + "# AND Dtime <= #" + endText + "# GROUP BY Spell");
    for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
      const std::string spell = rs.Field(1).AsText();
      const int64_t count = rs.Field(0).AsInt();
      for (DotStatRec& s : dotStats) {
        if (s.Name != spell) continue;
        int64_t* field[] = {&s.Casts, &s.Resists, &s.Fizzles, &s.Interrupts};
        *field[code] = count;
        castTotals[code] += count;
      }
    }
  }

  const double seconds = static_cast<double>(durationSecs);
  for (const DotStatRec& s : dotStats) {
    rows.push_back({"  " + s.Name, FormatWhole(static_cast<double>(s.Total)),
                    FormatTwoDecimals(static_cast<double>(s.Total) / seconds), Digits(s.High),
                    Digits(s.Low), FormatTwoDecimals(s.AvgDmg), Digits(s.Hits),
                    DamagePerMana(s, spellDatRecs), s.Hits > 0 ? CritText(s.Crits, s.Hits) : "0",
                    Digits(s.Casts), Digits(s.Resists), Digits(s.Fizzles), Digits(s.Interrupts)});
  }
  rows.push_back({" TOTALS:", FormatWhole(static_cast<double>(totalDmg)),
                  FormatTwoDecimals(static_cast<double>(totalDmg) / seconds), Digits(maxHigh),
                  Digits(minLow), FormatTwoDecimals(static_cast<double>(totalAvg)),
                  Digits(totalHits), "", totalHits > 0 ? CritText(totalCrits, totalHits) : "",
                  Digits(castTotals[0]), Digits(castTotals[1]), Digits(castTotals[2]),
                  Digits(castTotals[3])});

  const std::string summary =
      "SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg)FROM ParseData WHERE EventNum = " +
      event;
  const std::string perSource =
      "SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg), DmgSrc FROM ParseData WHERE "
      "EventNum = " +
      event;
  // A summary line per returned row with a sum, and with pet detail a line per source.
  auto addSummary = [&](std::string_view type, const char* caption) {
    Recordset rs(db, summary + " AND dmgtype = '" + std::string(type) + "'");
    for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
      if (rs.Field(3).IsNull()) continue;
      ListRow row{caption};
      AddSummaryCells(row, rs, durationSecs);
      rows.push_back(std::move(row));
    }
  };
  auto addPerSource = [&](std::string_view type) {
    if (!petDetail) return;
    Recordset rs(db, perSource + " AND dmgtype = '" + std::string(type) + "' Group By DmgSrc");
    for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
      if (rs.Field(3).IsNull()) continue;
      ListRow row{"      -" + rs.Field(5).AsText()};
      AddSummaryCells(row, rs, durationSecs);
      rows.push_back(std::move(row));
    }
  };

  rows.push_back({"Direct Damage"});
  {
    Recordset rs(db, summary + " AND dmgtype = 'DD'");
    ListRow row{"  DD"};
    if (!rs.EndOfFile() && !rs.Field(3).IsNull()) AddSummaryCells(row, rs, durationSecs);
    rows.push_back(std::move(row));
  }
  rows.push_back({"Pets"});
  addSummary("Pet", "  Pet");
  addPerSource("Pet");
  addSummary("Epic/Swarm", "  Epic/Swarm Pets");
  addPerSource("Epic/Swarm");

  {
    Recordset rs(db, "SELECT sum(dmg)FROM ParseData WHERE EventNum = " + event);
    for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
      const double sum = rs.Field(0).AsDouble();
      rows.push_back({"Total Damage", FormatWhole(sum), FormatTwoDecimals(sum / seconds)});
    }
  }
  return rows;
}

}  // namespace qorn
