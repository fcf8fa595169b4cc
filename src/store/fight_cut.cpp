#include "store/fight_cut.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "store/event_overview.h"

namespace qorn {
namespace {

int32_t CutEvents(std::vector<EventRow>& rows, const std::vector<uint32_t>& rank,
                  const std::vector<std::string>& mobs, int16_t eventTimerSeconds,
                  Progress& progress) {
  progress.SetValue(0);
  progress.SetMaximum(static_cast<double>(rows.size()));
  ProgressSteps steps(progress, rows.size());
  int32_t n = 1;
  const EventRow* previous = nullptr;
  for (size_t i = 0; i < rows.size(); ++i) {
    EventRow& row = rows[i];
    if (previous != nullptr && !TakesTheNextRow(mobs[previous->Mob])) {
      // A gap equal to the timer stays in the event.
      if (SecondsBetween(previous->When, row.When) > eventTimerSeconds ||
          rank[row.Mob] != rank[previous->Mob]) {
        ++n;
      }
    }
    row.EventNum = n;
    previous = &row;
    steps.Done(i + 1);
  }
  progress.SetValue(static_cast<double>(rows.size()));
  return rows.empty() ? 0 : n;
}

// `n` / 6 rounded down, also below 0.
int64_t SlotsOf(int64_t n) { return n / kTickSeconds - (n % kTickSeconds < 0 ? 1 : 0); }

// The ticks of one event: six-second slots on a grid anchored at its first
// DoT tick in query order, or at its first row when it has none. Slots from
// the anchor on start at its second and every sixth after it. Before a DoT
// tick anchor they are counted back from the second after it (the slot just
// before the anchor holds five seconds), and the slot of the first row met
// before it (the earliest) is tick 1; before a first-row anchor (rows of the
// empty mob's next one) they run on as after it. An event whose first and
// last rows in query order share their second is all tick 1.
struct TickGrid {
  bool Flat = false;
  int64_t Anchor = 0;  // the anchor's second (WholeSeconds)
  int64_t Before = 0;  // where slots before the anchor are counted from
  int64_t First = 1;   // the tick of the anchor's slot

  int64_t Origin(int64_t second) const { return second >= Anchor ? Anchor : Before; }
  int64_t Slot(int64_t second) const { return SlotsOf(second - Origin(second)); }
  int64_t TickAt(int64_t second) const { return Flat ? 1 : First + Slot(second); }
};

TickGrid GridOf(const EventRow* first, const EventRow* last) {
  TickGrid grid;
  const int64_t start = WholeSeconds(first->When);
  if (WholeSeconds((last - 1)->When) == start) {
    grid.Flat = true;
    return grid;
  }
  const EventRow* firstDot = std::find_if(first, last, [](const EventRow& r) { return r.Dot; });
  if (firstDot == last) {
    grid.Anchor = grid.Before = start;
    return grid;
  }
  grid.Anchor = WholeSeconds(firstDot->When);
  grid.Before = grid.Anchor + 1;
  for (const EventRow* r = first; r != last; ++r) {
    const int64_t second = WholeSeconds(r->When);
    if (second < grid.Anchor) {
      grid.First = 1 - grid.Slot(second);
      break;
    }
  }
  return grid;
}

// Tick numbers are stored as 32-bit numbers; a fight that spans centuries
// (a hand-edited or mistyped date) gets the nearest there is.
int32_t StoredTick(int64_t tick) {
  return static_cast<int32_t>(std::clamp<int64_t>(tick, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Each event's rows in query order.
template <typename Each>
void ForEachEvent(std::vector<EventRow>& rows, Each&& each) {
  for (size_t begin = 0; begin < rows.size();) {
    size_t end = begin;
    while (end < rows.size() && rows[end].EventNum == rows[begin].EventNum) ++end;
    each(&rows[begin], &rows[begin] + (end - begin));
    begin = end;
  }
}

// An event's rows in query order as tick runs: the rows of one mob on one
// side of the anchor make one run, its MobKey the mob's place in `rank`.
// ParseData counts a row's slots from its run's base in SQL, from the row's
// time as it is: rows whose tick is no 32-bit number, or whose time lies
// beyond the years a time can stand for (hand-edited), are runs of their
// own, every row in the tick the rule gives it.
void AddTickRuns(const EventRow* first, const EventRow* last, const std::vector<uint32_t>& rank,
                 std::vector<TickRun>& runs) {
  const TickGrid grid = GridOf(first, last);
  int64_t origin = 0;
  for (const EventRow* r = first; r != last; ++r) {
    const int64_t second = WholeSeconds(r->When);
    const int64_t tick = grid.TickAt(second);
    const bool flat = grid.Flat || !WithinYears(r->When) || tick != StoredTick(tick);
    const auto mob = static_cast<int64_t>(rank[r->Mob]);
    if (r != first && mob == runs.back().MobKey && flat == !runs.back().BaseSecond &&
        (flat ? StoredTick(tick) == runs.back().TickNum : grid.Origin(second) == origin)) {
      runs.back().To = r->When;
      continue;
    }
    TickRun run{mob, r->When, r->When, StoredTick(tick), std::nullopt};
    if (!flat) {
      origin = grid.Origin(second);
      run.BaseSecond = origin + kTickSeconds * grid.Slot(second);
    }
    runs.push_back(run);
  }
}

uint64_t Mix(uint64_t hash, uint64_t value) {
  hash ^= value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
  return hash * 0xFF51AFD7ED558CCDull;
}

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

int32_t NumberSortedEvents(std::vector<EventRow>& rows, const std::vector<std::string>& mobs,
                           const std::vector<uint32_t>& rank, int16_t eventTimerSeconds,
                           Progress& progress) {
  const int32_t count = CutEvents(rows, rank, mobs, eventTimerSeconds, progress);
  ForEachEvent(rows, [](EventRow* first, EventRow* last) {
    const TickGrid grid = GridOf(first, last);
    for (EventRow* r = first; r != last; ++r) {
      r->TickNum = StoredTick(grid.TickAt(WholeSeconds(r->When)));
    }
  });
  return count;
}

FightCutter::FightCutter(int16_t eventTimerSeconds, FightSink sink, int32_t fightsBefore)
    : timer_(eventTimerSeconds), sink_(std::move(sink)), count_(fightsBefore) {}

void FightCutter::Add(MobSeconds& mob) {
  if (mob.Seconds.empty()) return;
  if (held_) {
    MobSeconds* group[] = {&*held_, &mob};
    Cut(group);
    held_.reset();
  } else if (TakesTheNextRow(mob.Texts.front())) {
    // The empty mob (first in order) is cut together with the next.
    held_ = std::move(mob);
    mob.Seconds.clear();
  } else {
    MobSeconds* group[] = {&mob};
    Cut(group);
  }
}

void FightCutter::Cut(std::span<MobSeconds*> group) {
  // The group's fights, numbered from 1 and then moved behind those before.
  // A group of two (the empty mob and the next) is cut from one list of
  // their seconds, each mob's texts apart.
  std::vector<std::string> texts;
  std::vector<uint32_t> rank;
  std::vector<EventRow> joined;
  for (size_t k = 0; k < group.size(); ++k) {
    const auto offset = static_cast<uint32_t>(texts.size());
    for (const std::string& t : group[k]->Texts) {
      texts.push_back(t);
      rank.push_back(static_cast<uint32_t>(k));
    }
    if (group.size() > 1) {
      for (EventRow s : group[k]->Seconds) {
        s.Mob += offset;
        joined.push_back(s);
      }
      std::vector<EventRow>().swap(group[k]->Seconds);
    }
  }
  std::vector<EventRow>& seconds = group.size() > 1 ? joined : group[0]->Seconds;
  NullProgress quiet;
  const int32_t count = CutEvents(seconds, rank, texts, timer_, quiet);
  const Overview lines = OverviewOfEvents(seconds, texts, count, quiet);
  std::vector<CutFight> fights(static_cast<size_t>(std::max(count, 0)));
  ForEachEvent(seconds, [&](const EventRow* first, const EventRow* last) {
    CutFight& fight = fights[static_cast<size_t>(first->EventNum - 1)];
    AddTickRuns(first, last, rank, fight.Runs);
    uint64_t hash = fight.Runs.size();
    for (TickRun& r : fight.Runs) {
      r.MobKey = group[static_cast<size_t>(r.MobKey)]->Key;
      hash = Mix(hash, static_cast<uint64_t>(r.MobKey));
      hash = Mix(hash, Bits(r.From));
      hash = Mix(hash, Bits(r.To));
      hash = Mix(hash, static_cast<uint64_t>(r.TickNum));
      hash = Mix(hash, r.BaseSecond ? static_cast<uint64_t>(*r.BaseSecond) : 0x8000000000000000ull);
    }
    fight.Signature = hash;
  });
  for (size_t e = 0; e < fights.size(); ++e) {
    const OverviewRow& row = lines.Rows[e];
    OverviewRow line =
        MakeOverviewRow(count_ + row.EventNum, row.Mob, row.Total, row.First, row.Last);
    sink_(line, fights[e]);
  }
  count_ += count;
  // The mob's seconds are used up; their room stays for the next mob's.
  seconds.clear();
}

int32_t FightCutter::Finish() {
  if (held_) {
    MobSeconds* group[] = {&*held_};
    Cut(group);
    held_.reset();
  }
  return count_;
}

}  // namespace qorn
