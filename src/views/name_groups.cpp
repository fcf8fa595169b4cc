#include "views/name_groups.h"

#include <algorithm>
#include <numeric>

namespace qorn {

size_t NameGroups::IndexOf(std::string_view name) {
  auto spelling = bySpelling_.find(name);
  if (spelling == bySpelling_.end()) {
    std::string key = FoldCase(name);
    const auto [group, added] = byKey_.try_emplace(key, spellings_.size());
    if (added) {
      spellings_.emplace_back(name);
      keys_.push_back(std::move(key));
    }
    spelling = bySpelling_.emplace(std::string(name), group->second).first;
  }
  return spelling->second;
}

std::vector<size_t> NameGroups::Order() const {
  std::vector<size_t> order(keys_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys_[a] < keys_[b]; });
  return order;
}

}  // namespace qorn
