#include "common/event_timer.h"

#include <cmath>
#include <cstdio>

#include "common/number_format.h"

namespace qorn {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits with an optional decimal part, or a decimal part alone; then an
// optional exponent. Nothing else (no hex, no inf, no nan).
bool IsNumericText(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

}  // namespace

std::optional<int16_t> ParseEventTimer(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!IsNumericText(text)) return std::nullopt;
  const auto value = ParseDouble(text);
  if (!value || !(*value > -32000 && *value < 32000)) return std::nullopt;
  return static_cast<int16_t>(std::nearbyint(*value));  // the default mode rounds halves to even
}

std::string EventTimerText(int seconds) {
  const int s = seconds < 0 ? -seconds : seconds;
  char text[16];
  std::snprintf(text, sizeof text, "%s%02d:%02d:%02d", seconds < 0 ? "-" : "", s / 3600,
                s / 60 % 60, s % 60);
  return text;
}

}  // namespace qorn
