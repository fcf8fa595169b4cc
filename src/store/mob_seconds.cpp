#include "store/mob_seconds.h"

#include <algorithm>

#include "store/second_runs.h"

namespace qorn {

void ForEachMobSeconds(
    SecondRuns& runs,
    const std::function<void(uint32_t mob, std::vector<EventRow>& seconds)>& each) {
  std::vector<EventRow> seconds;
  uint32_t mob = 0;
  runs.Read([&](const MobSecond& s) {
    if (!seconds.empty() && s.Mob != mob) {
      each(mob, seconds);
      seconds.clear();
    }
    mob = s.Mob;
    EventRow second;
    second.When = s.When;
    second.RecNum = s.RecNum;
    second.Dmg = s.Dmg;
    second.Mob = s.Spelling;
    second.Dot = s.Dot != 0;
    seconds.push_back(second);
  });
  if (!seconds.empty()) each(mob, seconds);
}

size_t AddSeconds(MobSeconds& mob, const std::vector<EventRow>& added) {
  std::vector<EventRow>& seconds = mob.Seconds;
  if (added.empty()) return kUnchanged;
  const auto firstAt =
      std::lower_bound(seconds.begin(), seconds.end(), added.front().When,
                       [](const EventRow& s, DateTime when) { return s.When < when; });
  const auto from = static_cast<size_t>(firstAt - seconds.begin());
  if (firstAt == seconds.end()) {
    seconds.insert(seconds.end(), added.begin(), added.end());
    return from;
  }
  std::vector<EventRow> merged;
  merged.reserve(seconds.size() + added.size());
  merged.insert(merged.end(), seconds.begin(), firstAt);
  size_t i = from, j = 0;
  while (i < seconds.size() || j < added.size()) {
    if (j == added.size() || (i < seconds.size() && seconds[i].When < added[j].When)) {
      merged.push_back(seconds[i++]);
    } else if (i == seconds.size() || added[j].When < seconds[i].When) {
      merged.push_back(added[j++]);
    } else {
      EventRow s = seconds[i++];
      s.Dmg += added[j].Dmg;
      s.Dot = s.Dot || added[j].Dot;
      ++j;
      merged.push_back(s);
    }
  }
  seconds = std::move(merged);
  return from;
}

}  // namespace qorn
