#pragma once

// A whole log parsed into one result, for tests and tools that look at the
// records themselves: the blocks that Get Log's parse hands over, put together.
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "parse/log_parser.h"

namespace qorn::test {

// Every record of the log at `path` of the character `charName`, in log
// order. Throws qorn::Error when the file cannot be opened or read.
ParseResult ParseLogFile(const std::string& path, std::string_view charName, Progress& progress);

// The same with both passes cut into pieces at the line starts at or behind
// each of `cuts` (ascending byte offsets), whatever the log's size: the
// result is the same. For tests of the cuts.
ParseResult ParseLogFileInPieces(const std::string& path, std::string_view charName,
                                 Progress& progress, const std::vector<long long>& cuts);

}  // namespace qorn::test
