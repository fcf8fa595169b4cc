#include "store/mob_order.h"

#include <algorithm>
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

uint32_t MobTexts::Index(std::string_view utf8Mob) {
  if (const auto it = index_.find(utf8Mob); it != index_.end()) return it->second;
  const auto index = static_cast<uint32_t>(texts_.size());
  texts_.emplace_back(utf8Mob);
  index_.emplace(texts_.back(), index);
  return index;
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
