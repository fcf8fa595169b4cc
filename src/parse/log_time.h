#pragma once

#include <optional>
#include <string_view>

#include "common/date_time.h"

namespace qorn {

// The time stamp at the head of a log line, "[Fri Dec 04 17:57:44 2026] ...",
// as a date-time value. nullopt when the stamp cannot be read: a line too
// short, a month outside Jan..Dec, non-digits where the numbers stand, or a
// date or a time of day that does not exist (31 November, 24:00:00). The
// weekday is not read.
std::optional<DateTime> ConvertLogTime(std::string_view line);

class LogFile;

// The time stamp of the last line of the first `bytes` bytes of the log that
// carries one, searched in the last kLastLineBytes; nullopt when none does
// there. Throws qorn::Error when the file cannot be read.
inline constexpr long long kLastLineBytes = 64 * 1024;
std::optional<DateTime> LastLineTime(const LogFile& log, long long bytes);

}  // namespace qorn
