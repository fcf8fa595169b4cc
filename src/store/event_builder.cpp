#include "store/event_builder.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "common/date_time.h"
#include "store/database.h"

namespace qorn {
namespace {

unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// One ParseData row as event building needs it.
struct Row {
  int64_t recNum;
  DateTime when;
  uint32_t mob;  // index into the mob texts
  bool dot;
  int32_t eventNum = 0;
  int32_t tickNum = 0;
  int64_t storedEventNum = 0;  // as the row stands in the table
  int64_t storedTickNum = 0;
};

std::vector<SpellDatRec> LoadSpellTable(Database& db) {
  std::vector<SpellDatRec> spells;
  Recordset rs(db, "SELECT * FROM SpellDat");
  for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
    // Damage and mana are kept in full: a damage above 16 bits still compares right.
    spells.push_back({rs.Field("Spell").AsText(), static_cast<int32_t>(rs.Field("Dmg").AsInt()),
                      static_cast<int32_t>(rs.Field("Mana").AsInt())});
  }
  return spells;
}

void MarkCrits(Database& db, const std::vector<SpellDatRec>& spells) {
  // A tick is critical when it does at least twice the normal damage of a
  // spell of the same name (compared exactly); the smallest such damage decides.
  std::unordered_map<std::string, int64_t> normal;
  for (const SpellDatRec& s : spells) {
    auto [it, added] = normal.emplace(s.Spell, s.Dmg);
    if (!added) it->second = std::min<int64_t>(it->second, s.Dmg);
  }
  if (normal.empty()) return;
  std::vector<int64_t> crits;
  {
    // Crits are never cleared, so rows marked already need no second look.
    Statement dots(db,
                   "SELECT RecNum, DmgSrc, Dmg FROM ParseData WHERE DmgType = 'Dot' AND Crit = 0");
    std::string source;
    while (dots.Step()) {
      source.assign(dots.ColumnText(1));
      const auto it = normal.find(source);
      if (it != normal.end() && dots.ColumnInt(2) >= 2 * it->second) {
        crits.push_back(dots.ColumnInt(0));
      }
    }
  }
  Statement mark(db, "UPDATE ParseData SET Crit = -1 WHERE RecNum = ?");
  for (int64_t recNum : crits) {
    mark.Bind(1, recNum);
    mark.Step();
    mark.Reset();
  }
}

// The rows in SortMobTime's order: by mob without regard to case, then time,
// then RecNum. Mobs are ranked once so that the sort compares numbers.
std::vector<Row> LoadSortedRows(Database& db, std::vector<std::string>& mobs) {
  std::vector<Row> rows;
  std::unordered_map<std::string, uint32_t> mobIndex;
  {
    Statement all(db, "SELECT RecNum, DTime, Mob, DmgType, EventNum, TickNum FROM ParseData");
    std::string mob;
    while (all.Step()) {
      mob.assign(all.ColumnText(2));
      auto [it, added] = mobIndex.emplace(mob, static_cast<uint32_t>(mobs.size()));
      if (added) mobs.push_back(mob);
      Row row{all.ColumnInt(0), all.ColumnDouble(1), it->second, all.ColumnText(3) == "Dot"};
      row.storedEventNum = all.ColumnInt(4);
      row.storedTickNum = all.ColumnInt(5);
      rows.push_back(row);
    }
  }
  std::vector<uint32_t> order(mobs.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return CompareNoCase(mobs[a], mobs[b]) < 0; });
  std::vector<uint32_t> rank(mobs.size());
  for (size_t i = 0, r = 0; i < order.size(); ++i) {
    if (i > 0 && CompareNoCase(mobs[order[i - 1]], mobs[order[i]]) != 0) ++r;
    rank[order[i]] = static_cast<uint32_t>(r);
  }
  std::sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
    if (rank[a.mob] != rank[b.mob]) return rank[a.mob] < rank[b.mob];
    if (a.when != b.when) return a.when < b.when;
    return a.recNum < b.recNum;
  });
  return rows;
}

bool SameMobIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

int32_t CutEvents(std::vector<Row>& rows, const std::vector<std::string>& mobs,
                  int16_t eventTimerSeconds, Progress& progress) {
  progress.SetValue(0);
  progress.SetMaximum(static_cast<double>(rows.size()));
  ProgressSteps steps(progress, rows.size());
  int32_t n = 1;
  const Row* previous = nullptr;
  for (size_t i = 0; i < rows.size(); ++i) {
    Row& row = rows[i];
    if (previous != nullptr && !mobs[previous->mob].empty()) {
      // A gap equal to the timer stays in the event.
      if (SecondsBetween(previous->when, row.when) > eventTimerSeconds ||
          !SameMobIgnoringCase(mobs[row.mob], mobs[previous->mob])) {
        ++n;
      }
    }
    row.eventNum = n;
    previous = &row;
    steps.Done(i + 1);
  }
  progress.SetValue(static_cast<double>(rows.size()));
  return rows.empty() ? 0 : n;
}

int32_t TickOf(long long seconds) {
  return static_cast<int32_t>(std::floor(static_cast<double>(seconds) / kTickSeconds + 1));
}

// Ticks of one event's rows, in query order.
void NumberTicks(Row* first, Row* last) {
  const DateTime start = first->when;
  const DateTime end = (last - 1)->when;
  if (SecondsBetween(start, end) == 0) {
    for (Row* r = first; r != last; ++r) r->tickNum = 1;
    return;
  }
  const Row* firstDot = std::find_if(first, last, [](const Row& r) { return r.dot; });
  if (firstDot == last) {
    // No DoT tick: slots counted from the event's first row.
    for (Row* r = first; r != last; ++r) r->tickNum = TickOf(SecondsBetween(start, r->when));
    return;
  }
  // Slots on a grid anchored at the first DoT tick; rows before it get
  // negative slots, and the whole event is shifted so the earliest slot is 1.
  const DateTime anchor = firstDot->when;
  int32_t shift = 0;
  for (Row* r = first; r != last; ++r) {
    if (SecondsBetween(anchor, r->when) >= 0) {
      r->tickNum = TickOf(SecondsBetween(anchor, r->when));
    } else {
      const int32_t before = TickOf(SecondsBetween(r->when, anchor));
      r->tickNum = -before;
      if (shift == 0) shift = before + 1;
    }
  }
  if (shift > 1) {
    for (Row* r = first; r != last; ++r) r->tickNum += r->tickNum < 0 ? shift : shift - 1;
  }
}

void WriteEvents(Database& db, std::vector<Row>& rows) {
  // Only rows whose numbers change are written, in RecNum order, page by page
  // through the table. Rewriting many is quicker without the event index,
  // which is then built again after.
  std::sort(rows.begin(), rows.end(),
            [](const Row& a, const Row& b) { return a.recNum < b.recNum; });
  auto changed = [](const Row& r) {
    return r.eventNum != r.storedEventNum || r.tickNum != r.storedTickNum;
  };
  const auto changes = std::count_if(rows.begin(), rows.end(), changed);
  if (changes == 0) return;
  const bool rebuildIndex = changes * 10 > static_cast<std::ptrdiff_t>(rows.size());
  if (rebuildIndex) db.ExecuteNative("DROP INDEX IF EXISTS ParseData_Event");
  {
    Statement update(db, "UPDATE ParseData SET EventNum = ?, TickNum = ? WHERE RecNum = ?");
    for (const Row& r : rows) {
      if (!changed(r)) continue;
      update.Bind(1, static_cast<int64_t>(r.eventNum))
          .Bind(2, static_cast<int64_t>(r.tickNum))
          .Bind(3, r.recNum);
      update.Step();
      update.Reset();
    }
  }
  if (rebuildIndex)
    db.ExecuteNative("CREATE INDEX ParseData_Event ON ParseData (EventNum, TickNum)");
}

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = Fold(static_cast<unsigned char>(a[i]));
    const unsigned char y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

EventBuildResult BuildEvents(const std::string& databasePath, int16_t eventTimerSeconds,
                             Progress& progress) {
  Database db(databasePath);
  Transaction tx(db);
  EventBuildResult result = BuildEvents(db, eventTimerSeconds, progress);
  tx.Commit();
  return result;
}

EventBuildResult BuildEvents(Database& db, int16_t eventTimerSeconds, Progress& progress) {
  EventBuildResult result;
  result.SpellDatRecs = LoadSpellTable(db);
  MarkCrits(db, result.SpellDatRecs);

  std::vector<std::string> mobs;
  std::vector<Row> rows = LoadSortedRows(db, mobs);
  result.EventCount = CutEvents(rows, mobs, eventTimerSeconds, progress);
  for (size_t begin = 0; begin < rows.size();) {
    size_t end = begin;
    while (end < rows.size() && rows[end].eventNum == rows[begin].eventNum) ++end;
    NumberTicks(&rows[begin], &rows[end]);
    begin = end;
  }
  WriteEvents(db, rows);
  return result;
}

}  // namespace qorn
