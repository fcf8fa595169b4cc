#include "store/event_rows.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace qorn {

std::vector<uint32_t> RankMobs(const std::vector<std::string>& mobs) {
  std::vector<uint32_t> order(mobs.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return CompareNoCase(mobs[a], mobs[b]) < 0; });
  std::vector<uint32_t> rank(mobs.size());
  for (size_t i = 0, r = 0; i < order.size(); ++i) {
    if (i > 0 && CompareNoCase(mobs[order[i - 1]], mobs[order[i]]) != 0) ++r;
    rank[order[i]] = static_cast<uint32_t>(r);
  }
  return rank;
}

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
    // The row after an empty mob joins its event without a test.
    if (previous != nullptr && !mobs[previous->Mob].empty()) {
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

}  // namespace

uint32_t MobTexts::Index(std::string_view utf8Mob) {
  if (const auto it = index_.find(utf8Mob); it != index_.end()) return it->second;
  const auto index = static_cast<uint32_t>(texts_.size());
  texts_.emplace_back(utf8Mob);
  index_.emplace(texts_.back(), index);
  return index;
}

MobGroups::MobGroups(const std::vector<std::string>& mobs, const std::vector<size_t>& rowsOfMob)
    : rank_(RankMobs(mobs)) {
  const size_t ranks = rank_.empty() ? 0 : *std::max_element(rank_.begin(), rank_.end()) + 1;
  next_.assign(ranks, 0);
  for (size_t m = 0; m < rowsOfMob.size(); ++m) {
    if (rank_[m] + 1 < ranks) next_[rank_[m] + 1] += rowsOfMob[m];
  }
  for (size_t k = 1; k < ranks; ++k) next_[k] += next_[k - 1];
}

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

void SortByEvent(std::vector<EventRow>& rows, const std::vector<std::string>& mobs) {
  const std::vector<uint32_t> rank = RankMobs(mobs);
  std::sort(rows.begin(), rows.end(), [&](const EventRow& a, const EventRow& b) {
    if (a.EventNum != b.EventNum) return a.EventNum < b.EventNum;
    if (rank[a.Mob] != rank[b.Mob]) return rank[a.Mob] < rank[b.Mob];
    if (a.When != b.When) return a.When < b.When;
    return a.RecNum < b.RecNum;
  });
}

}  // namespace qorn
