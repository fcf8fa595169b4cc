#pragma once

// The parts of a damage or cast message: the tags behind its final mark,
// an amount, the verb and the target of a damage phrase.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "parse/line_text.h"

namespace qorn::parse {

// The text without the tags in parentheses that the current client and the
// emulated servers put behind a message's final period or exclamation mark:
// "(Critical)", "(Lucky Critical Twincast)", a spell's name. `crit` tells
// whether one of them holds "Critical". Parentheses that do not stand behind
// the final mark (a name, a "(Lvl: 82)") are no tags and stay.
inline sv StripTags(sv text, bool& crit) {
  crit = false;
  if (text.empty() || text.back() != ')') return text;
  sv rest = text;
  bool critical = false;
  while (!rest.empty() && rest.back() == ')') {
    const size_t open = rest.rfind('(');
    if (open == npos) return text;
    const sv tag = rest.substr(open + 1, rest.size() - open - 2);
    if (tag.find(')') != npos) return text;
    critical = critical || tag.find("Critical") != npos;
    rest = rest.substr(0, open);
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
  }
  if (rest.empty() || (rest.back() != '.' && rest.back() != '!')) return text;
  crit = critical;
  return rest;
}

// Digits at `at` up to the first non-digit, as a 32-bit amount; nullopt when
// there are none or the amount does not fit. `end` is set behind the digits.
inline std::optional<int32_t> ReadAmount(sv line, size_t at, size_t& end) {
  int64_t value = 0;
  bool fits = true;
  size_t i = at;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
    value = value * 10 + (line[i] - '0');
    if (value > INT32_MAX) {
      fits = false;
      value = INT32_MAX;
    }
    ++i;
  }
  end = i;
  if (i == at || !fits) return std::nullopt;
  return static_cast<int32_t>(value);
}

// The verb and the target behind a name that ends at `nameEnd`, and the
// amount of the damage phrase. The target ends at the first " for N point"
// behind the verb, so that "a forest giant" keeps its whole name and two
// messages on one line stay apart. False when the line lacks any of them, the
// amount does not fit, the target (with any blanks around it) is longer than
// kMaxTarget, or a "] " stands before the phrase (which then belongs to
// another message).
inline bool VerbTargetAmount(sv line, size_t nameEnd, sv& verb, sv& mob, int32_t& amount,
                             size_t* phraseEnd = nullptr) {
  const size_t verbStart = nameEnd + 1;
  const size_t blank = verbStart < line.size() ? line.find(' ', verbStart) : npos;
  if (blank == npos) return false;
  sv window = line.substr(0, std::min(line.size(), blank + 1 + kMaxTarget + 5));
  window = window.substr(0, std::min(window.size(), window.find("] ", verbStart)));
  for (size_t pos = window.find(" for ", blank); pos != npos; pos = window.find(" for ", pos + 1)) {
    size_t end = 0;
    const auto value = ReadAmount(line, pos + 5, end);
    if (end == pos + 5 || line.compare(end, 6, " point") != 0) continue;
    if (!value) return false;
    amount = *value;
    if (phraseEnd != nullptr) *phraseEnd = end + 6;
    verb = TrimSpaces(line.substr(verbStart, blank - verbStart));
    mob = TrimSpaces(Mid(line, blank + 1, pos - std::min(pos, blank + 1)));
    return true;
  }
  return false;
}

}  // namespace qorn::parse
