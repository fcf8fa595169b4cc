#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "store/event_overview.h"
#include "store/event_rows.h"
#include "store/mob_seconds.h"

namespace qorn {

// The rule that cuts rows into fights and numbers their ticks, on rows in
// memory, without the database.

// The empty mob (rows the log gave no mob's name) takes the row after its
// last into its fight, whatever that row's mob.
inline bool TakesTheNextRow(std::string_view mobText) { return mobText.empty(); }

// For rows in SortMobTime's order (by mob without regard to case, then time,
// then RecNum; each mob's rows together, the mobs in `rank`'s order): cuts
// them into events by mob and a quiet gap longer than the timer, and numbers
// the six-second ticks of each event (anchored at its first DoT tick when it
// has one). Returns the number of events. `progress` follows the rows while
// the events are cut.
int32_t NumberSortedEvents(std::vector<EventRow>& rows, const std::vector<std::string>& mobs,
                           const std::vector<uint32_t>& rank, int16_t eventTimerSeconds,
                           Progress& progress);

// The rows of one mob from From to To in one fight. Their ticks are
// six-second slots from the second BaseSecond on (in whole seconds,
// WholeSeconds), the first of them tick TickNum; without a BaseSecond every
// row is in tick TickNum. ParseData gives each row its tick so
// (data/schema.sql).
struct TickRun {
  int64_t MobKey = 0;
  DateTime From = 0;
  DateTime To = 0;
  int64_t TickNum = 0;
  std::optional<int64_t> BaseSecond;
};

// One fight as the tables hold it: its tick runs and overview line. A mob's
// rows of the fight are one run, or two where rows come before its anchor.
struct CutFight {
  std::vector<TickRun> Runs;
  uint64_t Signature = 0;  // of its runs: a fight with the same runs keeps its key
};

// Hears each fight as it is cut, in event-number order (from 1): its
// overview line, which it may take, and its runs.
using FightSink = std::function<void(OverviewRow& line, const CutFight& fight)>;

// Cuts the fights of mobs given one at a time, in SortMobTime's order (their
// texts without regard to case): a mob's fights follow those of the mobs
// before it. Each mob's seconds are used up as they are cut (the vector is
// left empty, its room kept for the caller to read the next mob into).
class FightCutter {
 public:
  // The fights are numbered after `fightsBefore` (those of mobs before the first given).
  FightCutter(int16_t eventTimerSeconds, FightSink sink, int32_t fightsBefore = 0);
  void Add(MobSeconds& mob);
  // The number of the last fight.
  int32_t Finish();

 private:
  void Cut(std::span<MobSeconds*> group);

  int16_t timer_;
  FightSink sink_;
  int32_t count_ = 0;
  std::optional<MobSeconds> held_;  // the empty mob, cut with the next
};

}  // namespace qorn
