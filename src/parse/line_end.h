#pragma once

// The one rule for where a line of the log ends; every reader of lines
// decides by these.
#include <cstddef>
#include <string_view>

#include "platform/bytes.h"

namespace qorn {

// A line of the log ends at a line feed, at a carriage return and a line
// feed, or at a carriage return alone. Where a carriage return is the last
// byte read, its line has ended: a line feed behind it, read later, ends
// only an empty line.
inline constexpr bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Whether the byte at `p`, in the bytes read [p, end), is where a line ends:
// a line feed, or a carriage return that no line feed follows (also the last
// byte read). The carriage return of a carriage return and a line feed is
// not: the line feed behind it is.
inline constexpr bool EndsLineAt(const char* p, const char* end) {
  return *p == '\n' || (*p == '\r' && (p + 1 == end || p[1] != '\n'));
}

// The text of the line from `begin` up to `end`, where its line end was
// found (EndsLineAt) or the bytes read end: without the carriage return of a
// carriage return and a line feed.
inline constexpr std::string_view LineText(const char* begin, const char* end) {
  if (end > begin && end[-1] == '\r') --end;
  return {begin, static_cast<std::string_view::size_type>(end - begin)};
}

// Where the whole lines of [begin, end) end when more bytes may follow
// (`more`): behind the last line end, a carriage return that is the last
// byte left out, as the byte behind it decides whether it ends a line; begin
// when no line ends there. Without more bytes to follow, `end`.
inline const char* WholeLinesEnd(const char* begin, const char* end, bool more) {
  if (!more) return end;
  const char* stop = end;
  if (stop > begin && stop[-1] == '\r') --stop;
  // The last line feed, then a carriage return behind it (a lone one): two
  // scans of the library's speed, also over a long line without an end.
  const char* feed = platform::LastByte(begin, '\n', static_cast<size_t>(stop - begin));
  const char* from = feed != nullptr ? feed + 1 : begin;
  const char* lone = platform::LastByte(from, '\r', static_cast<size_t>(stop - from));
  return lone != nullptr ? lone + 1 : from;
}

}  // namespace qorn
