#include "store/mob_identity.h"

#include <algorithm>

namespace qorn {

uint32_t MobIdentity::AddSpelling(uint32_t mob, std::string_view utf8) {
  std::vector<std::string>& spellings = mobs_[mob].Spellings;
  const auto spelling = static_cast<uint32_t>(spellings.size());
  spellings.emplace_back(utf8);
  exact_.emplace(std::string(utf8), Found{mob, spelling});
  return spelling;
}

void MobIdentity::AddStored(int64_t key, const std::vector<std::string>& spellings) {
  const auto mob = static_cast<uint32_t>(mobs_.size());
  mobs_.push_back({key, {}});
  nextKey_ = std::max(nextKey_, key + 1);
  // The spellings stay as stored (their places are in the stored seconds);
  // a text stored twice is found where it was stored first.
  for (const std::string& text : spellings) {
    AddSpelling(mob, text);
    folded_.try_emplace(FoldCase(text), mob);
  }
}

MobIdentity::Found MobIdentity::Of(std::string_view utf8) {
  if (const auto it = exact_.find(utf8); it != exact_.end()) return it->second;
  const auto [it, added] = folded_.try_emplace(FoldCase(utf8), static_cast<uint32_t>(mobs_.size()));
  if (added) mobs_.push_back({nextKey_++, {}});
  const uint32_t mob = it->second;
  return {mob, AddSpelling(mob, utf8)};
}

}  // namespace qorn
