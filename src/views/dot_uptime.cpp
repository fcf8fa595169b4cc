#include "views/dot_uptime.h"

#include <algorithm>

#include "common/date_time.h"
#include "common/number_format.h"
#include "store/database.h"
#include "views/name_groups.h"

namespace qorn {
namespace {

std::string Percent(int64_t covered, int64_t seconds) {
  return seconds <= 0 ? "-"
                      : FormatPercent(static_cast<double>(covered) / static_cast<double>(seconds));
}

std::string Mean(int64_t sum, int64_t count) {
  return count == 0 ? "-"
                    : FormatTwoDecimals(static_cast<double>(sum) / static_cast<double>(count));
}

// Every lane's hits merged into one ascending list.
std::vector<int64_t> Merged(const std::vector<DotLane>& lanes) {
  std::vector<int64_t> all;
  for (const DotLane& lane : lanes) all.insert(all.end(), lane.Hits.begin(), lane.Hits.end());
  std::sort(all.begin(), all.end());
  return all;
}

ListRow FightLine(const std::string& spell, std::span<const int64_t> hits, int64_t seconds) {
  const UptimeFigures f = MeasureUptime(hits, seconds);
  return {spell,
          std::to_string(f.Hits),
          Percent(f.Covered, seconds),
          std::to_string(f.FirstHit),
          std::to_string(f.Drops),
          f.LongestGap < 0 ? "-" : std::to_string(f.LongestGap),
          std::to_string(f.LostTicks)};
}

// One spell's (or all spells') sums over the fights it hit in.
struct LogSums {
  std::string Spell;
  int64_t Fights = 0;
  int64_t Hits = 0;
  int64_t Covered = 0;
  int64_t Seconds = 0;
  int64_t Drops = 0;
  int64_t FirstHits = 0;

  void Add(const UptimeFigures& f, int64_t fightSeconds) {
    ++Fights;
    Hits += f.Hits;
    Covered += f.Covered;
    Seconds += fightSeconds;
    Drops += f.Drops;
    FirstHits += f.FirstHit;
  }
  ListRow Line() const {
    return {Spell,
            std::to_string(Fights),
            std::to_string(Hits),
            Percent(Covered, Seconds),
            Mean(Drops, Fights),
            Mean(FirstHits, Fights)};
  }
};

}  // namespace

FightDotsBuilder::FightDotsBuilder(DateTime start, DateTime end) : start_(start) {
  dots_.Seconds = std::max<long long>(0, SecondsBetween(start, end));
}

void FightDotsBuilder::Add(std::string_view spell, DateTime when) {
  const int64_t second = SecondsBetween(start_, when);
  if (second < 0 || second > dots_.Seconds) return;  // outside the fight's window
  const size_t lane = names_.IndexOf(spell);
  if (lane == dots_.Lanes.size()) dots_.Lanes.push_back({std::string(spell), {}});
  dots_.Lanes[lane].Hits.push_back(second);
}

FightDots FightDotsBuilder::Done() && {
  FightDots dots;
  dots.Seconds = dots_.Seconds;
  dots.Lanes.reserve(dots_.Lanes.size());
  for (size_t i : names_.Order()) dots.Lanes.push_back(std::move(dots_.Lanes[i]));
  return dots;
}

namespace {

// Reads the DoT hits of one fight at a time through one prepared query.
class FightDotReader {
 public:
  explicit FightDotReader(Database& db)
      : rows_(db,
              "SELECT DmgSrc, DTime FROM ParseData WHERE EventNum = ? AND DmgType = 'Dot' "
              "AND Dmg IS NOT NULL ORDER BY DTime, RecNum") {}

  FightDots Read(int32_t eventNum, DateTime start, DateTime end) {
    FightDotsBuilder dots(start, end);
    rows_.Reset();
    rows_.Bind(1, static_cast<int64_t>(eventNum));
    while (rows_.Step()) dots.Add(rows_.ColumnText(0), rows_.ColumnDouble(1));
    return std::move(dots).Done();
  }

 private:
  Statement rows_;
};

}  // namespace

std::vector<ListRow> FightUptimeLines(const FightDots& dots) {
  std::vector<ListRow> lines;
  if (dots.Lanes.empty()) return lines;
  for (const DotLane& lane : dots.Lanes)
    lines.push_back(FightLine(lane.Spell, lane.Hits, dots.Seconds));
  lines.push_back(FightLine(std::string(kAllDotsSource), Merged(dots.Lanes), dots.Seconds));
  return lines;
}

namespace {

// Every stored fight a fight at a time, each through its tick runs, so what
// is held is one fight's hits and a line per spell.
std::vector<ListRow> WholeLogUptime(Database& db) {
  FightDotReader reader(db);
  NameGroups names;
  std::vector<LogSums> spells;
  LogSums all{std::string(kAllDotsSource)};
  Statement fights(db,
                   "SELECT EventNum, FirstTime, LastTime FROM Fights WHERE EventNum > 0 "
                   "ORDER BY EventNum");
  while (fights.Step()) {
    const FightDots dots = reader.Read(static_cast<int32_t>(fights.ColumnInt(0)),
                                       fights.ColumnDouble(1), fights.ColumnDouble(2));
    if (dots.Lanes.empty()) continue;
    for (const DotLane& lane : dots.Lanes) {
      const size_t group = names.IndexOf(lane.Spell);
      if (group == spells.size()) spells.push_back({lane.Spell});
      spells[group].Add(MeasureUptime(lane.Hits, dots.Seconds), dots.Seconds);
    }
    all.Add(MeasureUptime(Merged(dots.Lanes), dots.Seconds), dots.Seconds);
  }
  std::vector<ListRow> lines;
  if (spells.empty()) return lines;
  for (size_t i : names.Order()) lines.push_back(spells[i].Line());
  lines.push_back(all.Line());
  return lines;
}

}  // namespace

std::vector<SecondSpan> TickingSpans(std::span<const int64_t> hits, int64_t fightSeconds) {
  std::vector<SecondSpan> spans;
  for (const int64_t hit : hits) {
    const int64_t to = std::clamp<int64_t>(hit, 0, fightSeconds);
    const int64_t from = std::max<int64_t>(to - kDotTickCover, 0);
    if (!spans.empty() && from <= spans.back().To) {
      spans.back().To = std::max(spans.back().To, to);
    } else if (to > from) {
      spans.push_back({from, to});
    }
  }
  return spans;
}

std::vector<SecondSpan> DropSpans(std::span<const int64_t> hits) {
  std::vector<SecondSpan> spans;
  for (size_t i = 1; i < hits.size(); ++i) {
    if (hits[i] - hits[i - 1] > kDotDropGap) spans.push_back({hits[i - 1], hits[i]});
  }
  return spans;
}

UptimeFigures MeasureUptime(std::span<const int64_t> hits, int64_t fightSeconds) {
  UptimeFigures f;
  f.Hits = static_cast<int64_t>(hits.size());
  if (hits.empty()) return f;
  f.FirstHit = hits.front();
  for (const SecondSpan& span : TickingSpans(hits, fightSeconds)) f.Covered += span.To - span.From;
  for (size_t i = 1; i < hits.size(); ++i)
    f.LongestGap = std::max(f.LongestGap, hits[i] - hits[i - 1]);
  for (const SecondSpan& drop : DropSpans(hits)) {
    ++f.Drops;
    // The ticks the gap held, rounded with halves up, less the one that ended it.
    const int64_t gap = drop.To - drop.From;
    f.LostTicks += (2 * gap + kDotTickCover) / (2 * kDotTickCover) - 1;
  }
  return f;
}

std::vector<ListRow> UptimeLanesText(const FightDots& dots) {
  auto joined = [](const std::vector<SecondSpan>& spans) {
    std::string text;
    for (const SecondSpan& span : spans) {
      if (!text.empty()) text += ' ';
      text += std::to_string(span.From) + "-" + std::to_string(span.To);
    }
    return text;
  };
  std::vector<ListRow> lines = {{"Spell", "Ticking", "Dropped"}};
  for (const DotLane& lane : dots.Lanes) {
    lines.push_back(
        {lane.Spell, joined(TickingSpans(lane.Hits, dots.Seconds)), joined(DropSpans(lane.Hits))});
  }
  return lines;
}

FightDots ReadFightDots(Database& db, int32_t eventNum) {
  Statement fight(db, "SELECT FirstTime, LastTime FROM Fights WHERE EventNum = ?");
  fight.Bind(1, static_cast<int64_t>(eventNum));
  if (!fight.Step()) return {};
  FightDotReader reader(db);
  return reader.Read(eventNum, fight.ColumnDouble(0), fight.ColumnDouble(1));
}

FightDots ReadFightDots(const std::string& databasePath, int32_t eventNum) {
  Database db = OpenForView(databasePath);
  return ReadFightDots(db, eventNum);
}

std::vector<ListRow> DotUptime(const std::string& databasePath, const BuffScope& scope) {
  Database db = OpenForView(databasePath);
  return scope.WholeLog ? WholeLogUptime(db) : FightUptimeLines(ReadFightDots(db, scope.EventNum));
}

}  // namespace qorn
