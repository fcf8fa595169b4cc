#include "common/date_time.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace qorn {
namespace {

// Days from 1 Jan 1970 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// 30 Dec 1899 counted from 1 Jan 1970.
constexpr long long kOleEpochDays = -25569;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// The first and the last second that a date-time value can stand for (1 Jan
// 100 and 31 Dec 9999).
constexpr double kFirstDay = -657434.0;
constexpr double kLastDay = 2958465.0 + 86399.0 / 86400.0;

}  // namespace

bool WithinYears(DateTime value) { return value >= kFirstDay && value <= kLastDay; }

long long WholeSeconds(DateTime value) {
  if (std::isnan(value)) return 0;
  return std::llround(std::clamp(value, kFirstDay, kLastDay) * 86400.0);
}

std::optional<DateTime> MakeDateTime(const CivilTime& c) {
  if (c.month < 1 || c.month > 12 || c.day < 1 || c.year < 100 || c.year > 9999 ||
      c.day > DaysInMonth(c.year, c.month)) {
    return std::nullopt;
  }
  const long long days =
      DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) -
      kOleEpochDays;
  const long long secs = c.hour * 3600LL + c.minute * 60LL + c.second;
  return static_cast<double>(days) + static_cast<double>(secs) / 86400.0;
}

CivilTime ToCivil(DateTime value) {
  const long long total = WholeSeconds(value);
  long long days = total / 86400;
  long long secs = total % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  CivilTime c;
  CivilFromDays(days + kOleEpochDays, c.year, c.month, c.day);
  c.hour = static_cast<int>(secs / 3600);
  c.minute = static_cast<int>(secs / 60 % 60);
  c.second = static_cast<int>(secs % 60);
  return c;
}

long long SecondsBetween(DateTime from, DateTime to) {
  return WholeSeconds(to) - WholeSeconds(from);
}

std::string FormatSqlDateTime(DateTime value) {
  const CivilTime c = ToCivil(value);
  const int h12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d %s", c.month, c.day, c.year, h12,
                c.minute, c.second, c.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string FormatGeneralDate(DateTime value) {
  // "M/D/YYYY h:mm:ss AM", put together without a format string: every line
  // of a long list shows two.
  const CivilTime c = ToCivil(value);
  const int h12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
  std::string text;
  text.reserve(24);
  auto number = [&text](int n) {
    char digits[12];  // any int, its sign included
    text.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
  };
  number(c.month);
  text += '/';
  number(c.day);
  text += '/';
  number(c.year);
  text += ' ';
  number(h12);
  for (const int twoDigits : {c.minute, c.second}) {
    text += ':';
    text += static_cast<char>('0' + twoDigits / 10);
    text += static_cast<char>('0' + twoDigits % 10);
  }
  text += c.hour < 12 ? " AM" : " PM";
  return text;
}

std::optional<DateTime> ParseDateText(std::string_view text) {
  size_t pos = 0;
  auto number = [&](int maxDigits, int& out) {
    const size_t start = pos;
    out = 0;
    while (pos < text.size() && pos - start < static_cast<size_t>(maxDigits) && text[pos] >= '0' &&
           text[pos] <= '9') {
      out = out * 10 + (text[pos++] - '0');
    }
    return pos > start;
  };
  auto expect = [&](char ch) {
    if (pos < text.size() && text[pos] == ch) {
      ++pos;
      return true;
    }
    return false;
  };
  CivilTime c;
  if (!number(2, c.month) || !expect('/') || !number(2, c.day) || !expect('/') ||
      !number(4, c.year)) {
    return std::nullopt;
  }
  if (pos == text.size()) return MakeDateTime(c);
  int h = 0;
  if (!expect(' ') || !number(2, h) || !expect(':') || !number(2, c.minute) || !expect(':') ||
      !number(2, c.second) || !expect(' ') || text.size() - pos != 2 || text[pos + 1] != 'M') {
    return std::nullopt;
  }
  const char half = text[pos];
  if ((half != 'A' && half != 'P') || h < 1 || h > 12 || c.minute > 59 || c.second > 59) {
    return std::nullopt;
  }
  c.hour = h % 12 + (half == 'P' ? 12 : 0);
  return MakeDateTime(c);
}

}  // namespace qorn
