#pragma once

// The scans of a block of whole lines, one for each pass of a parse.
#include <functional>
#include <string_view>

#include "parse/line_parser.h"
#include "parse/log_names.h"
#include "parse/piece_join.h"

namespace qorn {
class LogFile;
}

namespace qorn::parse {

// Pass 1 over one block: the line count, returned, and the pet names, into
// `names`, in the order they are first met.
long long ScanPetNames(sv block, LogNames& names);

// Pass 2 over one block: each line that may make a record goes to `parser`;
// `lineNo` counts the lines. `loneReturns`: whether a carriage return alone
// ends a line anywhere in the log (else carriage returns are not looked at).
void ScanRecords(sv block, LineParser& parser, long long& lineNo, bool loneReturns);

// Pass 2 over the bytes of the log from `begin` to `end` into `piece`.
// `afterBlock(lines)` hears the piece's line count after each block; when it
// returns false the piece stops there.
void ParsePiece(const LogFile& log, long long begin, long long end, const LogNames& names,
                Piece& piece, const std::function<bool(long long)>& afterBlock);

}  // namespace qorn::parse
