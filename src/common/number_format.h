#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Numbers as text, never through the C library's locale (Qt sets it from the
// user's environment): a "." before the decimals and a "," between groups of
// thousands on every machine, so SQL stays valid, stored values read back,
// every list cell reads back for sorting and an export is the same anywhere.
namespace qorn {

// The shortest text that reads back as the same double: "46360.748", "0.1",
// "1e+300". For SQL literals and stored values.
std::string FormatDouble(double value);

// The whole text as a number: an optional sign, digits with an optional
// "." part (or a "." part alone) and an optional exponent. No blanks, no
// groups, no hex, inf or nan; nullopt for anything else or out of range.
std::optional<double> ParseDouble(std::string_view text);
// An optional sign and decimal digits only.
std::optional<int64_t> ParseInt(std::string_view text);

// The list masks. Each rounds the value's decimal form (15 significant
// digits, what the user sees) with halves away from zero.
std::string FormatWhole(double value);        // "#,##0": 12345.5 gives "12,346"
std::string FormatTwoDecimals(double value);  // "#,##0.00": 1234.567 gives "1,234.57"
std::string FormatPercent(double ratio);      // "00.00%": 0.0512 gives "05.12%", 1 "100.00%"

// Rounded to two decimals as "#,##0.00" rounds, written without groups and
// without trailing zeros: 1234.5, 12.5, 100.
std::string FormatShortDecimal(double value);
// The value FormatShortDecimal writes.
double RoundTwoDecimals(double value);

// Rounded to a whole number with halves to the even neighbour, as a number
// is converted to a whole one: 2.5 gives 2, 3.5 gives 4, -2.5 gives -2.
int64_t RoundHalfEven(double value);

// A number as the lists show it: FormatDouble's and the masks' texts
// ("1,234.50", "12,346", "33.33", "-7"); commas only between digits of the
// whole part. nullopt for anything else (a "%" included).
std::optional<double> ParseShownNumber(std::string_view text);

}  // namespace qorn
