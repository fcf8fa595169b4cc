#pragma once

#include <string>
#include <string_view>

namespace qorn {

// Turns one of the program's Jet SQL texts into SQLite's dialect. Outside
// string literals: #MM/DD/YYYY hh:mm:ss AM/PM# date literals become their
// date-time numbers, "delete * from" becomes "delete from", and the words
// True and False become Jet's -1 and 0, and "A RIGHT JOIN B ON" of two
// tables becomes "B LEFT JOIN A ON" (the same rows; SQLite plans it better)
// when no "*" comes before it. Everything else stands as written ([dmg] and
// distinct(x) are SQLite too). Throws qorn::Error for a
// date literal that cannot be read.
std::string TranslateJetSql(std::string_view jet);

// A text literal for SQL: between single quotes, each single quote doubled.
std::string SqlQuote(std::string_view text);

// A date-time value as a Jet literal: "#MM/DD/YYYY hh:mm:ss AM/PM#".
std::string SqlDateLiteral(double value);

}  // namespace qorn
