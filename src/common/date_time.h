#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qorn {

// Date-time values are doubles: days since 30 Dec 1899, the fraction being the
// time of day (the OLE date). Whole seconds throughout.
using DateTime = double;

struct CivilTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The value of a calendar date and time; nullopt when the date does not exist.
std::optional<DateTime> MakeDateTime(const CivilTime& civil);

// The calendar date and time of a value, rounded to the nearest second.
CivilTime ToCivil(DateTime value);

// Whole seconds from 30 Dec 1899 to `value`, rounded to the nearest; a value
// before 1 Jan 100 or after 31 Dec 9999 (a hand-edited 1e300 say) counts as
// the nearest of them, so that second counts always fit 64 bits.
long long WholeSeconds(DateTime value);
// Whether `value` lies within those years (WholeSeconds counts it as it is).
bool WithinYears(DateTime value);

// Whole seconds from `from` to `to` (negative when `to` is earlier).
long long SecondsBetween(DateTime from, DateTime to);

// "MM/DD/YYYY hh:mm:ss AM/PM", the form of a database date literal without its #s.
std::string FormatSqlDateTime(DateTime value);

// The general date shown in lists, US form: "12/4/2026 5:57:44 PM".
std::string FormatGeneralDate(DateTime value);

// Reads "M/D/YYYY h:mm:ss AM/PM" with or without leading zeros (both forms
// above) and a bare "M/D/YYYY"; nullopt for anything else.
std::optional<DateTime> ParseDateText(std::string_view text);

}  // namespace qorn
