#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qorn {

// Text order of the database's text columns (COLLATE NOCASE): byte by byte
// with the ASCII letters A-Z folded to lower case, a shorter text first when
// it is the other's start.
int CompareNoCase(std::string_view a, std::string_view b);
// The text with A-Z folded to lower case: texts that compare equal above
// fold to the same text.
std::string FoldCase(std::string_view text);

// Hashes a std::string key and a std::string_view looked up alike, so that a
// map keyed by strings is searched without copying the text.
struct StringHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};
template <typename Value>
using StringMap = std::unordered_map<std::string, Value, StringHash, std::equal_to<>>;

}  // namespace qorn
