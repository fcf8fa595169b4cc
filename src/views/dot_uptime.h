#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "views/buff_value.h"
#include "views/fight.h"
#include "views/list_columns.h"
#include "views/name_groups.h"

namespace qorn {

// A DoT tick covers the six seconds before it.
inline constexpr int64_t kDotTickCover = 6;
// Two hits of one DoT further apart than this missed a tick: six seconds and
// a second of the log's jitter on either side.
inline constexpr int64_t kDotDropGap = 9;

// What the hits of one DoT (or of all of them merged) say about a fight of
// `Seconds`: each hit's time counts in whole seconds from the fight's start.
struct UptimeFigures {
  int64_t Hits = 0;
  int64_t Covered = 0;      // seconds of the fight inside some [hit - 6, hit]
  int64_t FirstHit = 0;     // the first hit's second
  int64_t Drops = 0;        // gaps between consecutive hits longer than kDotDropGap
  int64_t LongestGap = -1;  // -1 with fewer than two hits
  int64_t LostTicks = 0;    // per drop, the ticks that would have landed in its gap
};

// A stretch of a fight, in seconds from its start.
struct SecondSpan {
  int64_t From = 0;
  int64_t To = 0;
  friend bool operator==(const SecondSpan&, const SecondSpan&) = default;
};

// Where the DoT of `hits` (ascending, each within [0, fightSeconds]) was
// ticking: every hit's [hit - 6, hit] within the fight, joined where they
// touch or overlap.
std::vector<SecondSpan> TickingSpans(std::span<const int64_t> hits, int64_t fightSeconds);
// Where it dropped: from a hit to the next where they lie further apart than
// kDotDropGap.
std::vector<SecondSpan> DropSpans(std::span<const int64_t> hits);

// The figures of `hits`, in ascending order, each within [0, fightSeconds].
UptimeFigures MeasureUptime(std::span<const int64_t> hits, int64_t fightSeconds);

// One DoT spell's hits in a fight, in seconds from its start, ascending.
struct DotLane {
  std::string Spell;
  std::vector<int64_t> Hits;
};

// The DoT hits of a fight: its length in seconds (End - Start, as the
// overview shows them) and a lane per spell that hit within it, spells told
// apart without regard to case and ordered by name as the detail report
// orders its sources.
struct FightDots {
  int64_t Seconds = 0;
  std::vector<DotLane> Lanes;
};

// Builds the DoT lanes of a fight from `start` to `end` from its DoT hits
// met in time order (of two hits in a second, the lower row number first):
// a hit outside the fight's window is left out, spells are told apart
// without regard to case, each keeping the spelling it was first met in.
class FightDotsBuilder {
 public:
  FightDotsBuilder(DateTime start, DateTime end);
  void Add(std::string_view spell, DateTime when);
  // The lanes in the order of their names.
  FightDots Done() &&;

 private:
  DateTime start_;
  FightDots dots_;
  NameGroups names_;
};

// The columns of the DoT Uptime list of `scope`: a fight's, or the whole log's.
inline std::span<const ListColumn> DotUptimeColumns(const BuffScope& scope) {
  if (scope.WholeLog) return kDotUptimeWholeLogColumns;
  return kDotUptimeColumns;
}

// The DoT hits of fight `eventNum`, read from its tick runs by one query.
// Throws qorn::Error.
FightDots ReadFightDots(Database& db, int32_t eventNum);
FightDots ReadFightDots(const std::string& databasePath, int32_t eventNum);

// The "DoT Uptime" list of `scope`. For a fight, a line per DoT spell then an
// "All DoTs" line of every spell's hits merged: Spell, Hits, Uptime, First
// Hit, Drops, Longest Gap, Lost Ticks (kDotUptimeColumns). For the whole log,
// a line per spell over the stored fights it hit in then an "All DoTs" line:
// Spell, Fights, Hits, Uptime, Drops per Fight, First Hit
// (kDotUptimeWholeLogColumns). Throws qorn::Error.
std::vector<ListRow> DotUptime(const std::string& databasePath, const BuffScope& scope);

// The lines of a fight's list (see DotUptime) from its hits read once, for a
// view that also draws them.
std::vector<ListRow> FightUptimeLines(const FightDots& dots);

// The lane picture of `dots` as text: a "Spell", "Ticking", "Dropped" header
// and a line per lane (the list's order) with its spans as "FROM-TO" seconds
// apart by blanks.
std::vector<ListRow> UptimeLanesText(const FightDots& dots);

}  // namespace qorn
