#pragma once

// Small operations on the text of one line, as the recognizer uses them.
#include <cstring>

#include "parse/byte_scan.h"
#include "parse/message_texts.h"

namespace qorn::parse {

// starts_with, with the first and the last byte tested before any call.
inline bool StartsWith(sv text, sv prefix) {
  const size_t n = prefix.size();
  return n == 0 || (text.size() >= n && text[0] == prefix[0] && text[n - 1] == prefix[n - 1] &&
                    std::memcmp(text.data(), prefix.data(), n) == 0);
}

// Where `fragment` first stands in `line`, or npos.
inline size_t FindIn(sv line, sv fragment) {
  const char* end = line.data() + line.size();
  const char* at = FindText(line.data(), end, fragment);
  return at == end ? npos : static_cast<size_t>(at - line.data());
}

inline bool Contains(sv line, sv fragment) { return FindIn(line, fragment) != npos; }

// Whether `line` holds `lowerFragment` in any case. The fragment's byte at
// `anchor` has no case (a hyphen, say) and is looked for first.
inline bool ContainsIgnoreCase(sv line, sv lowerFragment, size_t anchor) {
  if (lowerFragment.size() > line.size()) return false;
  const size_t last = line.size() - lowerFragment.size();
  for (size_t a = line.find(lowerFragment[anchor], anchor); a != npos && a - anchor <= last;
       a = line.find(lowerFragment[anchor], a + 1)) {
    size_t k = 0;
    const char* candidate = line.data() + (a - anchor);
    while (k < lowerFragment.size()) {
      char c = candidate[k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != lowerFragment[k]) break;
      ++k;
    }
    if (k == lowerFragment.size()) return true;
  }
  return false;
}

inline sv TrimSpaces(sv s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

inline bool EndsWith(sv text, sv suffix) {
  return text.size() >= suffix.size() &&
         std::memcmp(text.data() + text.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

// Mid$ semantics: a start beyond the end gives an empty text.
inline sv Mid(sv s, size_t start, size_t count = npos) {
  return start >= s.size() ? sv{} : s.substr(start, count);
}

}  // namespace qorn::parse
