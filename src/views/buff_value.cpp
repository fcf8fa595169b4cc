#include "views/buff_value.h"

#include <algorithm>
#include <array>

#include "common/number_format.h"
#include "store/database.h"
#include "store/database_file.h"
#include "views/name_groups.h"

namespace qorn {
namespace {

__extension__ typedef __int128 Wide;

// The buffs' captions, in the order of their flags Cpower, CoA, Inten.
constexpr std::array<std::string_view, 3> kBuffs = {"Chaotic Power", "Anguish BP", "Intensity"};

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

// The scope's DoT hits, summed per source (NameGroups: without regard to
// case, each keeping the spelling of its first hit in the order the detail
// report's grouping meets them, a fight's hits by tick, the whole log's as
// stored) and, per buff, the part that landed with the buff running. The rows
// are summed here in one pass rather than grouped by the database, which
// would sort every DoT hit of the log first.
std::vector<SourceHits> ReadSourceHits(Database& db, const BuffScope& scope) {
  Statement rows(db, scope.WholeLog
                         ? "SELECT DmgSrc, Dmg, Crit, Cpower, CoA, Inten FROM ParseData "
                           "WHERE DmgType = 'Dot' ORDER BY RecNum"
                         : "SELECT DmgSrc, Dmg, Crit, Cpower, CoA, Inten FROM ParseData "
                           "WHERE EventNum = ? AND DmgType = 'Dot' ORDER BY TickNum, RecNum");
  if (!scope.WholeLog) rows.Bind(1, static_cast<int64_t>(scope.EventNum));
  std::vector<SourceHits> groups;
  NameGroups names;
  while (rows.Step()) {
    if (rows.ColumnIsNull(1)) continue;  // no damage, no hit
    const std::string_view name = rows.ColumnText(0);
    const size_t group = names.IndexOf(name);
    if (group == groups.size()) groups.push_back({std::string(name), {}, {}});
    SourceHits& g = groups[group];
    const Hits hit{1, rows.ColumnInt(2) != 0 ? 1 : 0, rows.ColumnInt(1)};
    if (!PossibleDamage(hit.Dmg)) {
      FailImpossibleNumber(db.Path(),
                           "a damage of " + std::string(name) + " is larger than any log gives");
    }
    g.All += hit;
    for (size_t b = 0; b < kBuffs.size(); ++b) {
      if (rows.ColumnInt(3 + static_cast<int>(b)) != 0) g.On[b] += hit;
    }
  }
  std::vector<SourceHits> out;
  out.reserve(groups.size());
  for (size_t i : names.Order()) out.push_back(std::move(groups[i]));
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

ListRow Line(std::string_view buff, std::string_view source, const Hits& on, const Hits& off) {
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

std::vector<ListRow> BuffValue(const std::string& databasePath, const BuffScope& scope) {
  Database db = OpenForView(databasePath);
  const std::vector<SourceHits> sources = ReadSourceHits(db, scope);
  std::vector<ListRow> lines;
  lines.reserve(kBuffs.size() * (sources.size() + 1));
  for (size_t b = 0; b < kBuffs.size(); ++b) {
    Hits allOn, allOff;
    for (const SourceHits& s : sources) {
      const Hits off = s.All - s.On[b];
      lines.push_back(Line(kBuffs[b], s.Name, s.On[b], off));
      allOn += s.On[b];
      allOff += off;
    }
    lines.push_back(Line(kBuffs[b], kAllDotsSource, allOn, allOff));
  }
  return lines;
}

}  // namespace qorn
