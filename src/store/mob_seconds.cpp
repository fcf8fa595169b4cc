#include "store/mob_seconds.h"

#include <algorithm>
#include <unordered_map>

#include "common/text_fold.h"
#include "store/mob_order.h"

namespace qorn {
namespace {

bool InQueryOrder(const EventRow& a, const EventRow& b) {
  return a.When != b.When ? a.When < b.When : a.RecNum < b.RecNum;
}

// Appends rows of one mob, in query order (time, then RecNum), to its seconds,
// each second summed. `spelling` gives a row's index into the mob's Texts.
template <typename Spelling>
void AppendSeconds(std::vector<EventRow>& seconds, const EventRow* first, const EventRow* last,
                   Spelling&& spelling) {
  for (const EventRow* r = first; r != last; ++r) {
    if (!seconds.empty() && seconds.back().When == r->When) {
      seconds.back().Dmg += r->Dmg;
      seconds.back().Dot = seconds.back().Dot || r->Dot;
      continue;
    }
    EventRow s;
    s.When = r->When;
    s.RecNum = r->RecNum;
    s.Dmg = r->Dmg;
    s.Dot = r->Dot;
    s.Mob = spelling(r->Mob);
    seconds.push_back(s);
  }
}

// Merges two mobs' seconds lists in time order; a second in both keeps the
// earlier list's first row and sums the damage.
std::vector<EventRow> MergeSeconds(const std::vector<EventRow>& old,
                                   const std::vector<EventRow>& added) {
  std::vector<EventRow> out;
  out.reserve(old.size() + added.size());
  size_t i = 0, j = 0;
  while (i < old.size() || j < added.size()) {
    if (j == added.size() || (i < old.size() && old[i].When < added[j].When)) {
      out.push_back(old[i++]);
    } else if (i == old.size() || added[j].When < old[i].When) {
      out.push_back(added[j++]);
    } else {
      EventRow s = old[i++];
      s.Dmg += added[j].Dmg;
      s.Dot = s.Dot || added[j].Dot;
      ++j;
      out.push_back(s);
    }
  }
  return out;
}

}  // namespace

std::vector<MobSeconds> MobSecondsOfRows(const std::vector<EventRow>& rows,
                                         const std::vector<std::string>& mobs) {
  const std::vector<uint32_t> rank = RankMobs(mobs);
  const size_t ranks = rank.empty() ? 0 : *std::max_element(rank.begin(), rank.end()) + 1;
  std::vector<MobSeconds> out(ranks);
  std::vector<uint32_t> spellingOf(mobs.size());
  for (size_t m = 0; m < mobs.size(); ++m) {
    MobSeconds& mob = out[rank[m]];
    spellingOf[m] = static_cast<uint32_t>(mob.Texts.size());
    mob.Texts.push_back(mobs[m]);
  }
  for (size_t k = 0; k < ranks; ++k) out[k].Key = static_cast<int64_t>(k) + 1;
  auto spelling = [&](uint32_t m) { return spellingOf[m]; };
  auto sorted = [&] {
    for (size_t i = 1; i < rows.size(); ++i) {
      const uint32_t a = rank[rows[i - 1].Mob], b = rank[rows[i].Mob];
      if (b < a || (a == b && InQueryOrder(rows[i], rows[i - 1]))) return false;
    }
    return true;
  };
  if (sorted()) {
    for (size_t begin = 0; begin < rows.size();) {
      size_t end = begin + 1;
      while (end < rows.size() && rank[rows[end].Mob] == rank[rows[begin].Mob]) ++end;
      AppendSeconds(out[rank[rows[begin].Mob]].Seconds, rows.data() + begin, rows.data() + end,
                    spelling);
      begin = end;
    }
  } else {
    std::vector<EventRow> copy(rows);
    std::sort(copy.begin(), copy.end(), [&](const EventRow& a, const EventRow& b) {
      if (rank[a.Mob] != rank[b.Mob]) return rank[a.Mob] < rank[b.Mob];
      return InQueryOrder(a, b);
    });
    return MobSecondsOfRows(copy, mobs);
  }
  // Mobs without rows (a text left over) are dropped; keys stay as given.
  std::erase_if(out, [](const MobSeconds& m) { return m.Seconds.empty(); });
  return out;
}

std::vector<int64_t> MobKeysOf(const std::vector<MobSeconds>& bySeconds,
                               const std::vector<std::string>& mobs) {
  std::unordered_map<std::string, int64_t> keys;
  for (const MobSeconds& m : bySeconds) {
    for (const std::string& t : m.Texts) keys.emplace(FoldCase(t), m.Key);
  }
  std::vector<int64_t> out;
  out.reserve(mobs.size());
  for (const std::string& mob : mobs) {
    const auto it = keys.find(FoldCase(mob));
    out.push_back(it == keys.end() ? 0 : it->second);
  }
  return out;
}

std::vector<int64_t> AddRowsToMobSeconds(std::vector<MobSeconds>& bySeconds,
                                         const std::vector<EventRow>& rows,
                                         const std::vector<std::string>& mobs,
                                         std::vector<size_t>& changedFrom) {
  changedFrom.assign(bySeconds.size(), kUnchanged);
  std::unordered_map<std::string, size_t> byFolded;
  int64_t nextKey = 1;
  for (size_t i = 0; i < bySeconds.size(); ++i) {
    byFolded.emplace(FoldCase(bySeconds[i].Texts.front()), i);
    nextKey = std::max(nextKey, bySeconds[i].Key + 1);
  }
  // Each text's mob, and its spelling there.
  std::vector<size_t> mobOf(mobs.size());
  std::vector<uint32_t> spellingOf(mobs.size());
  for (size_t m = 0; m < mobs.size(); ++m) {
    auto [it, added] = byFolded.try_emplace(FoldCase(mobs[m]), bySeconds.size());
    if (added) {
      MobSeconds mob;
      mob.Key = nextKey++;
      bySeconds.push_back(std::move(mob));
      changedFrom.push_back(kUnchanged);
    }
    MobSeconds& mob = bySeconds[it->second];
    const auto spelling = std::find(mob.Texts.begin(), mob.Texts.end(), mobs[m]);
    spellingOf[m] = static_cast<uint32_t>(spelling - mob.Texts.begin());
    if (spelling == mob.Texts.end()) mob.Texts.push_back(mobs[m]);
    mobOf[m] = it->second;
  }
  std::vector<EventRow> sorted(rows);
  std::sort(sorted.begin(), sorted.end(), [&](const EventRow& a, const EventRow& b) {
    if (mobOf[a.Mob] != mobOf[b.Mob]) return mobOf[a.Mob] < mobOf[b.Mob];
    return InQueryOrder(a, b);
  });
  for (size_t begin = 0; begin < sorted.size();) {
    const size_t mob = mobOf[sorted[begin].Mob];
    size_t end = begin + 1;
    while (end < sorted.size() && mobOf[sorted[end].Mob] == mob) ++end;
    std::vector<EventRow> added;
    AppendSeconds(added, sorted.data() + begin, sorted.data() + end,
                  [&](uint32_t m) { return spellingOf[m]; });
    std::vector<EventRow>& seconds = bySeconds[mob].Seconds;
    const auto firstAt =
        std::lower_bound(seconds.begin(), seconds.end(), added.front().When,
                         [](const EventRow& s, DateTime when) { return s.When < when; });
    changedFrom[mob] = static_cast<size_t>(firstAt - seconds.begin());
    if (firstAt == seconds.end()) {
      seconds.insert(seconds.end(), added.begin(), added.end());
    } else {
      seconds = MergeSeconds(seconds, added);
    }
    begin = end;
  }
  std::vector<int64_t> keys;
  keys.reserve(mobs.size());
  for (size_t m = 0; m < mobs.size(); ++m) keys.push_back(bySeconds[mobOf[m]].Key);
  return keys;
}

}  // namespace qorn
