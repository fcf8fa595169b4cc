#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_fold.h"

namespace qorn {

// Names grouped as the DmgSrc column compares them, without regard to case:
// each group keeps the spelling it was first met in, and the groups list in
// the order of their names without regard to case, as the detail report
// lists its sources.
class NameGroups {
 public:
  // The group of `name`, a new one at the end when no name of it was met yet.
  size_t IndexOf(std::string_view name);
  size_t Size() const { return spellings_.size(); }
  // The group's first spelling.
  const std::string& Spelling(size_t group) const { return spellings_[group]; }
  // The groups' indexes in the order of their names.
  std::vector<size_t> Order() const;

 private:
  std::vector<std::string> spellings_;
  std::vector<std::string> keys_;
  StringMap<size_t> bySpelling_;  // every spelling met
  StringMap<size_t> byKey_;       // every group
};

}  // namespace qorn
