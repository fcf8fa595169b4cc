#include "views/buff_value.h"

#include "common/number_format.h"
#include "store/database.h"

namespace qorn {
namespace {

__extension__ typedef __int128 Wide;

struct Buff {
  std::string_view Caption;
  std::string_view Flag;  // the ParseData column
};

constexpr std::array<Buff, 3> kBuffs = {{
    {"Chaotic Power", "Cpower"},
    {"Anguish BP", "CoA"},
    {"Intensity", "Inten"},
}};

// Hits of one side (with or without a buff), summed in 64 bits.
struct Hits {
  int64_t Count = 0;
  int64_t Crits = 0;
  int64_t Dmg = 0;

  Hits& operator+=(const Hits& o) {
    Count += o.Count;
    Crits += o.Crits;
    Dmg += o.Dmg;
    return *this;
  }
  Hits operator-(const Hits& o) const { return {Count - o.Count, Crits - o.Crits, Dmg - o.Dmg}; }
};

struct SourceHits {
  std::string Name;
  Hits All;
  std::array<Hits, kBuffs.size()> On;
};

// One query over the scope's DoT hits: per source the totals and, per buff,
// the part that landed with the buff running. Sources group and order by name
// without regard to case (DmgSrc compares so), as the detail report lists them.
std::vector<SourceHits> ReadSourceHits(Database& db, const BuffScope& scope) {
  std::string sql = "SELECT DmgSrc, count(Dmg), sum(Crit <> 0), sum(Dmg)";
  for (const Buff& buff : kBuffs) {
    const std::string on = std::string(buff.Flag) + " <> 0";
    sql += ", sum(" + on + "), sum(" + on + " AND Crit <> 0), sum(CASE WHEN " + on +
           " THEN Dmg ELSE 0 END)";
  }
  sql += " FROM ParseData WHERE DmgType = 'Dot'";
  if (!scope.WholeLog) sql += " AND EventNum = ?";
  sql += " GROUP BY DmgSrc ORDER BY DmgSrc";

  Statement rows(db, sql);
  if (!scope.WholeLog) rows.Bind(1, static_cast<int64_t>(scope.EventNum));
  std::vector<SourceHits> out;
  while (rows.Step()) {
    SourceHits s;
    s.Name = std::string(rows.ColumnText(0));
    s.All = {rows.ColumnInt(1), rows.ColumnInt(2), rows.ColumnInt(3)};
    for (size_t b = 0; b < kBuffs.size(); ++b) {
      const int first = 4 + 3 * static_cast<int>(b);
      s.On[b] = {rows.ColumnInt(first), rows.ColumnInt(first + 1), rows.ColumnInt(first + 2)};
    }
    out.push_back(std::move(s));
  }
  return out;
}

std::string CritPercent(const Hits& h) {
  return h.Count == 0 ? "-"
                      : FormatPercent(static_cast<double>(h.Crits) / static_cast<double>(h.Count));
}

std::string Average(const Hits& h) {
  return h.Count == 0
             ? "-"
             : FormatTwoDecimals(static_cast<double>(h.Dmg) / static_cast<double>(h.Count));
}

// on.Count x (mean on - mean off), which is (on.Dmg x off.Count - on.Count x
// off.Dmg) / off.Count: worked out exactly in 128 bits and rounded once,
// halves away from zero, so no sum of a long log can wrap or blur a half.
std::string Added(const Hits& on, const Hits& off) {
  if (on.Count == 0 || off.Count == 0) return "-";
  const Wide numerator = Wide{on.Dmg} * off.Count - Wide{on.Count} * off.Dmg;
  const Wide denominator = off.Count;
  Wide whole = numerator / denominator;
  const Wide rest = numerator % denominator;
  if (2 * (rest < 0 ? -rest : rest) >= denominator) whole += numerator < 0 ? -1 : 1;
  return FormatWhole(static_cast<double>(whole));
}

std::vector<std::string> Line(std::string_view buff, std::string_view source, const Hits& on,
                              const Hits& off) {
  return {std::string(buff),
          std::string(source),
          std::to_string(on.Count),
          std::to_string(on.Crits),
          CritPercent(on),
          Average(on),
          std::to_string(off.Count),
          std::to_string(off.Crits),
          CritPercent(off),
          Average(off),
          Added(on, off)};
}

}  // namespace

std::vector<std::vector<std::string>> BuffValue(const std::string& databasePath,
                                                const BuffScope& scope) {
  Database db(databasePath);
  const std::vector<SourceHits> sources = ReadSourceHits(db, scope);
  std::vector<std::vector<std::string>> lines;
  lines.reserve(kBuffs.size() * (sources.size() + 1));
  for (size_t b = 0; b < kBuffs.size(); ++b) {
    Hits allOn, allOff;
    for (const SourceHits& s : sources) {
      const Hits off = s.All - s.On[b];
      lines.push_back(Line(kBuffs[b].Caption, s.Name, s.On[b], off));
      allOn += s.On[b];
      allOff += off;
    }
    lines.push_back(Line(kBuffs[b].Caption, kAllDotsSource, allOn, allOff));
  }
  return lines;
}

}  // namespace qorn
