#include "parse/log_time.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "parse/log_file.h"

namespace qorn {
namespace {

bool TwoDigits(std::string_view s, size_t at, int& out) {
  const char a = s[at];
  const char b = s[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return false;
  out = (a - '0') * 10 + (b - '0');
  return true;
}

int MonthNumber(std::string_view abbrev) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i) {
    if (std::memcmp(abbrev.data(), kMonths[i], 3) == 0) return i + 1;
  }
  return 0;
}

}  // namespace

std::optional<DateTime> ConvertLogTime(std::string_view line) {
  // 1-based positions: month 6-8, day 10-11, h 13-14, m 16-17, s 19-20, year 22-25.
  if (line.size() < 25) return std::nullopt;
  const int month = MonthNumber(line.substr(5, 3));
  int day = 0, hours = 0, minutes = 0, seconds = 0, century = 0, yy = 0;
  if (month == 0 || !TwoDigits(line, 9, day) || !TwoDigits(line, 12, hours) ||
      !TwoDigits(line, 15, minutes) || !TwoDigits(line, 18, seconds) ||
      !TwoDigits(line, 21, century) || !TwoDigits(line, 23, yy) || hours > 23 || minutes > 59 ||
      seconds > 59) {
    return std::nullopt;
  }
  const auto date = MakeDateTime({century * 100 + yy, month, day, 0, 0, 0});
  if (!date) return std::nullopt;
  return *date + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

std::optional<DateTime> LastLineTime(const LogFile& log, long long bytes) {
  const long long from = std::max(0LL, bytes - kLastLineBytes);
  const std::string tail = log.Read(from, bytes - from);
  size_t end = tail.size();
  while (end > 0) {
    const size_t cut = tail.find_last_of("\r\n", end - 1);
    const size_t begin = cut == std::string::npos ? 0 : cut + 1;
    // The first line of a tail that starts mid-file may be cut at its head.
    if (begin > 0 || from == 0) {
      if (const auto when = ConvertLogTime(std::string_view(tail).substr(begin, end - begin))) {
        return when;
      }
    }
    if (cut == std::string::npos) break;
    end = cut;
  }
  return std::nullopt;
}

}  // namespace qorn
