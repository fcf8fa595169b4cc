#include "parse/block_scan.h"

#include <algorithm>
#include <cstdint>

#include "parse/block_reader.h"
#include "parse/byte_scan.h"
#include "parse/line_end.h"

namespace qorn::parse {
long long ScanPetNames(sv block, LogNames& names) {
  const char* const data = block.data();
  const char* const stop = data + block.size();
  const LineEnds ends = CountLineEnds(data, stop);
  names.loneReturns = names.loneReturns || ends.LoneReturns > 0;
  long long lines = ends.Feeds + ends.LoneReturns;
  if (!block.empty() && !IsLineEnd(block.back())) ++lines;  // the last line
  // The needles' hits in file order, so that names keep their order of first
  // appearance; one scan looks for both, on from the line of the last hit.
  for (const char* hit = FindEither(data, stop, kPetNeedles[0], kPetNeedles[1]); hit < stop;) {
    // The line around the hit, from the line end before it to the one behind
    // it: a walk as long as the line, also where carriage returns alone end
    // the lines.
    const char* lineBegin = hit;
    while (lineBegin > data && !IsLineEnd(lineBegin[-1])) --lineBegin;
    const char* lineEnd = hit;
    while (lineEnd < stop && !IsLineEnd(*lineEnd)) ++lineEnd;
    names.AddPetName({lineBegin, static_cast<size_t>(lineEnd - lineBegin)});
    hit = FindEither(lineEnd, stop, kPetNeedles[0], kPetNeedles[1]);
  }
  return lines;
}

// Pass 2 over one block. Line ends, "] " and "(" are found 64 bytes at a
// time; only a line with a "] " that may start a message of interest, an
// owner tag of the character's pets, an ending that a message of interest
// has, or "has taken" (found a block at a time), goes to ParseLine.
// Carriage returns are looked at only in a log where one ends a line alone.
void ScanRecords(sv block, LineParser& parser, long long& lineNo, bool loneReturns) {
  const char* const base = block.data();
  const size_t size = block.size();
  const char* lineBegin = base;
  bool candidate = false;
  // Anchored on the "k": "h" and "n" are too common to filter on.
  auto findTaken = [&](const char* from) { return FindText(from, base + size, "has taken", 6); };
  const char* taken = findTaken(base);

  auto bracket = [&](size_t i) {
    if (!candidate && i + 1 < size && base[i + 1] == ' ') {
      candidate = parser.MayMatterAfterBracket(sv(base + i + 2, size - i - 2));
    }
  };
  bool parenthesis = false;  // whether the line holds a "("
  auto openParenthesis = [&](size_t i) {
    parenthesis = true;
    if (!candidate) candidate = parser.MayMatterAtParenthesis(sv(base + i, size - i));
  };
  auto lineEnd = [&](const char* end) {
    ++lineNo;
    const sv line = LineText(lineBegin, end);
    if (taken < lineBegin) taken = findTaken(lineBegin);
    const size_t takenAt = taken < end ? static_cast<size_t>(taken - lineBegin) : npos;
    if (!line.empty() && (candidate || takenAt != npos || parser.MayMatterAtLineEnd(line))) {
      parser.ParseLine(line, takenAt, parenthesis);
    }
    lineBegin = end + 1;
    candidate = false;
    parenthesis = false;
  };
  auto byte = [&](size_t i) {
    switch (base[i]) {
      case '\n':
        lineEnd(base + i);
        break;
      case '\r':  // a lone one ends a line; before a line feed, the feed does
        if (loneReturns && EndsLineAt(base + i, base + size)) lineEnd(base + i);
        break;
      case ']':
        bracket(i);
        break;
      case '(':
        openParenthesis(i);
        break;
      default:
        break;
    }
  };

  constexpr size_t kSteps = 64;  // of 64 bytes, matched in one call
  uint64_t bits[kSteps];
  size_t i = 0;
  while (i + 64 <= size) {
    const size_t steps = std::min(kSteps, (size - i) / 64);
    if (loneReturns) {
      Match64(base + i, steps, bits, '\n', '\r', ']', '(');
    } else {
      Match64(base + i, steps, bits, '\n', ']', '(');
    }
    for (size_t step = 0; step < steps; ++step, i += 64) {
      for (uint64_t all = bits[step]; all != 0; all &= all - 1) {
        byte(i + static_cast<size_t>(__builtin_ctzll(all)));
      }
    }
  }
  for (; i < size; ++i) byte(i);
  if (lineBegin < base + size) lineEnd(base + size);  // the file's last line, without a line feed
}

void ParsePiece(const LogFile& log, long long begin, long long end, const LogNames& names,
                Piece& piece, const std::function<bool(long long)>& afterBlock) {
  LineParser parser(names, piece);
  BlockReader reader(log, begin, end);
  sv block;
  long long lineNo = 0;
  while (reader.Next(block)) {
    ScanRecords(block, parser, lineNo, names.loneReturns);
    if (!afterBlock(lineNo)) return;
  }
}

}  // namespace qorn::parse
