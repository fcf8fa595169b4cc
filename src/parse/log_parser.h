#pragma once

// The parser's entry points: a log read a block at a time, and the lines
// appended to a log after a parse of it. Both read from a LogFile that the
// command opened.
#include <functional>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "common/stop_token.h"
#include "parse/records.h"

namespace qorn {

class LogFile;

// Where a parse cuts the log into pieces, which run on the worker pool:
// without `At`, the second pass every `Every` bytes (and the first, in the
// middle of a large log); with `At` (ascending byte offsets), both passes at
// the line starts at or behind each. The records are the same either way.
inline constexpr long long kPieceBytes = 16 << 20;
struct PieceCuts {
  long long Every = kPieceBytes;
  std::vector<long long> At;
};

// Reads the log of the character `charName` as it was opened, twice: first
// for the pet names, then for the damage and cast records, which go to
// `take` a block (a piece) at a time, in log order, on the calling thread,
// while the lines after them are parsed: a parse holds the records of a few
// pieces only, whatever the log's size. A block's records view its own texts
// and the names of the character and its pets, which the result holds (its
// lists of records stay empty). An exception from `take` stops the parse and
// is thrown on, as Stopped is once `stop` asks for it.
// `progress` is the loop bar: visible during the run, its maximum the line
// count / 10 + 1 after the first pass, one step per ten lines in the second.
// Throws qorn::Error when the file cannot be read.
ParseResult ParseLogInBlocks(const LogFile& log, std::string_view charName, Progress& progress,
                             const std::function<void(RecordBlock&)>& take,
                             const PieceCuts& cuts = {}, StopToken stop = {});

// The lines appended to a log after a parse that ended at `before`: the
// bytes from before.Bytes up to `end` (a line start), parsed as
// ParseLogInBlocks parses them as part of the whole log, given what the
// lines before left.
AppendedParse ParseAppendedLines(const LogFile& log, std::string_view charName,
                                 const ParseEnd& before, long long end, Progress& progress,
                                 StopToken stop = {});

}  // namespace qorn
