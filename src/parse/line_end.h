#pragma once

namespace qorn {

// A line of the log ends at a line feed, at a carriage return and a line
// feed, or at a carriage return alone. Where a carriage return is the last
// byte read, its line has ended: a line feed behind it, read later, ends
// only an empty line.
inline constexpr bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

}  // namespace qorn
