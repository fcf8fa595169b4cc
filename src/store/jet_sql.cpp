#include "store/jet_sql.h"

#include <algorithm>
#include <optional>

#include "common/date_time.h"
#include "common/error.h"
#include "common/number_format.h"

namespace qorn {
namespace {

// ASCII only, whatever the C library's locale says of other bytes.
bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool WordAt(std::string_view s, size_t i, std::string_view word) {
  if (i + word.size() > s.size()) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    if (AsciiLower(s[i + k]) != word[k]) return false;
  }
  const bool startOk = i == 0 || !IsWordChar(s[i - 1]);
  const bool endOk = i + word.size() == s.size() || !IsWordChar(s[i + word.size()]);
  return startOk && endOk;
}

size_t SkipBlanks(std::string_view s, size_t i) {
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  return i;
}

size_t WordEnd(std::string_view s, size_t i) {
  while (i < s.size() && IsWordChar(s[i])) ++i;
  return i;
}

// "A RIGHT JOIN B ON" at `i` (A and B plain table names): the end of "ON"
// and the two names, or nothing.
struct RightJoin {
  size_t end;
  std::string_view left, right;
};
std::optional<RightJoin> RightJoinAt(std::string_view s, size_t i) {
  const size_t leftEnd = WordEnd(s, i);
  size_t k = SkipBlanks(s, leftEnd);
  if (k == leftEnd || !WordAt(s, k, "right")) return std::nullopt;
  size_t j = SkipBlanks(s, k + 5);
  if (j == k + 5 || !WordAt(s, j, "join")) return std::nullopt;
  const size_t rightStart = SkipBlanks(s, j + 4);
  const size_t rightEnd = WordEnd(s, rightStart);
  if (rightStart == j + 4 || rightEnd == rightStart) return std::nullopt;
  k = SkipBlanks(s, rightEnd);
  if (k == rightEnd || !WordAt(s, k, "on")) return std::nullopt;
  return RightJoin{k + 2, s.substr(i, leftEnd - i), s.substr(rightStart, rightEnd - rightStart)};
}

}  // namespace

std::string TranslateJetSql(std::string_view jet) {
  std::string out;
  out.reserve(jet.size() + 16);
  size_t i = 0;
  bool starSeen = false;
  while (i < jet.size()) {
    const char c = jet[i];
    if (c == '\'') {  // a string literal, copied whole ('' inside stays)
      size_t j = i + 1;
      while (j < jet.size()) {
        if (jet[j] == '\'') {
          if (j + 1 < jet.size() && jet[j + 1] == '\'') {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      const size_t end = std::min(j + 1, jet.size());
      out.append(jet.substr(i, end - i));
      i = end;
    } else if (c == '[') {  // a bracketed name, copied whole
      const size_t close = jet.find(']', i);
      const size_t end = close == std::string_view::npos ? jet.size() : close + 1;
      out.append(jet.substr(i, end - i));
      i = end;
    } else if (c == '#') {
      const size_t close = jet.find('#', i + 1);
      if (close == std::string_view::npos)
        throw Error("Unclosed date literal in SQL: " + std::string(jet));
      const std::string_view text = jet.substr(i + 1, close - i - 1);
      const auto value = ParseDateText(text);
      if (!value) throw Error("Unreadable date literal #" + std::string(text) + "# in SQL");
      out += FormatDouble(*value);
      i = close + 1;
    } else if (WordAt(jet, i, "delete")) {
      out.append(jet.substr(i, 6));
      i += 6;
      const size_t star = SkipBlanks(jet, i);
      if (star < jet.size() && jet[star] == '*' && WordAt(jet, SkipBlanks(jet, star + 1), "from")) {
        i = star + 1;  // drop the "*"
      }
    } else if (WordAt(jet, i, "true")) {
      out += "-1";
      i += 4;
    } else if (WordAt(jet, i, "false")) {
      out += "0";
      i += 5;
    } else if (const auto join = IsWordChar(c) && !starSeen ? RightJoinAt(jet, i) : std::nullopt) {
      // "A RIGHT JOIN B" is "B LEFT JOIN A". SQLite turns a LEFT JOIN whose
      // WHERE clause rejects the NULLs of A into a plain join and searches A
      // by that clause's index; a RIGHT JOIN it reads whole. Only without a
      // "*" before it, whose columns would come in the other order.
      out.append(join->right).append(" LEFT JOIN ").append(join->left).append(" ON");
      i = join->end;
    } else if (IsWordChar(c)) {  // copy a whole word so no keyword is found inside it
      size_t j = i;
      while (j < jet.size() && IsWordChar(jet[j])) ++j;
      out.append(jet.substr(i, j - i));
      i = j;
    } else {
      starSeen = starSeen || c == '*';
      out += c;
      ++i;
    }
  }
  return out;
}

std::string SqlQuote(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string SqlDateLiteral(double value) {
  std::string literal(1, '#');
  literal += FormatSqlDateTime(value);
  literal += '#';
  return literal;
}

}  // namespace qorn
