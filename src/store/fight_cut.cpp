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

// The six-second slot of a row `seconds` after the anchor, from 1 (rounded
// down, also below 0).
int64_t TickOf(int64_t seconds) {
  const int64_t slot = seconds / kTickSeconds - (seconds % kTickSeconds < 0 ? 1 : 0);
  return slot + 1;
}

// Tick numbers are stored as 32-bit numbers; a fight that spans centuries
// (a hand-edited or mistyped date) gets the largest there is.
int32_t StoredTick(int64_t tick) {
  return static_cast<int32_t>(std::clamp<int64_t>(tick, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Ticks of one event's rows, in query order.
void NumberTicks(EventRow* first, EventRow* last) {
  const DateTime start = first->When;
  const DateTime end = (last - 1)->When;
  if (SecondsBetween(start, end) == 0) {
    for (EventRow* r = first; r != last; ++r) r->TickNum = 1;
    return;
  }
  const EventRow* firstDot = std::find_if(first, last, [](const EventRow& r) { return r.Dot; });
  if (firstDot == last) {
    // No DoT tick: slots counted from the event's first row.
    for (EventRow* r = first; r != last; ++r) {
      r->TickNum = StoredTick(TickOf(SecondsBetween(start, r->When)));
    }
    return;
  }
  // Slots on a grid anchored at the first DoT tick; rows before it get
  // negative slots, and the whole event is shifted so that the slot of the
  // first row met before the anchor (the earliest) becomes 1.
  const DateTime anchor = firstDot->When;
  int64_t shift = 0;
  for (const EventRow* r = first; r != last && shift == 0; ++r) {
    const int64_t seconds = SecondsBetween(anchor, r->When);
    if (seconds < 0) shift = TickOf(-seconds) + 1;
  }
  for (EventRow* r = first; r != last; ++r) {
    const int64_t seconds = SecondsBetween(anchor, r->When);
    int64_t tick = seconds >= 0 ? TickOf(seconds) : -TickOf(-seconds);
    if (shift > 1) tick += tick < 0 ? shift : shift - 1;
    r->TickNum = StoredTick(tick);
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
  for (size_t begin = 0; begin < rows.size();) {
    size_t end = begin;
    while (end < rows.size() && rows[end].EventNum == rows[begin].EventNum) ++end;
    NumberTicks(&rows[begin], &rows[begin] + (end - begin));
    begin = end;
  }
  return count;
}

FightCutter::FightCutter(int16_t eventTimerSeconds, FightSink sink)
    : timer_(eventTimerSeconds), sink_(std::move(sink)) {}

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
  std::vector<size_t> ends;  // where each mob's seconds end
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
    ends.push_back(group.size() > 1 ? joined.size() : group[k]->Seconds.size());
  }
  std::vector<EventRow>& seconds = group.size() > 1 ? joined : group[0]->Seconds;
  NullProgress quiet;
  const int32_t count = NumberSortedEvents(seconds, texts, rank, timer_, quiet);
  const Overview lines = OverviewOfEvents(seconds, texts, count, quiet);
  std::vector<CutFight> fights(static_cast<size_t>(std::max(count, 0)));
  size_t begin = 0;
  for (size_t k = 0; k < ends.size(); ++k) {
    const int64_t key = group[k]->Key;
    for (size_t i = begin; i < ends[k]; ++i) {
      const EventRow& s = seconds[i];
      CutFight& fight = fights[static_cast<size_t>(s.EventNum - 1)];
      if (i > begin && seconds[i - 1].EventNum == s.EventNum &&
          seconds[i - 1].TickNum == s.TickNum) {
        fight.Runs.back().To = s.When;
      } else {
        fight.Runs.push_back({key, s.When, s.When, s.TickNum});
      }
    }
    begin = ends[k];
  }
  for (size_t e = 0; e < fights.size(); ++e) {
    CutFight& f = fights[e];
    uint64_t hash = f.Runs.size();
    for (const TickRun& r : f.Runs) {
      hash = Mix(hash, static_cast<uint64_t>(r.MobKey));
      hash = Mix(hash, Bits(r.From));
      hash = Mix(hash, Bits(r.To));
      hash = Mix(hash, static_cast<uint64_t>(static_cast<int64_t>(r.TickNum)));
    }
    f.Signature = hash;
    const OverviewRow& row = lines.Rows[e];
    OverviewRow line =
        MakeOverviewRow(count_ + row.EventNum, row.Mob, row.Total, row.First, row.Last);
    sink_(line, f);
  }
  count_ += count;
  // Each mob's memory goes back at once.
  std::vector<EventRow>().swap(seconds);
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
