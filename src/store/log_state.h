#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "parse/log_parser.h"

namespace qorn {

class Database;

// Which log file the stored parse was read from, and how far: enough to tell
// a log that the game only appended to from one replaced, cut short or edited.
struct LogIdentity {
  std::string Path;  // absolute
  uint64_t Device = 0;
  uint64_t Inode = 0;
  long long Bytes = 0;    // read from the start
  int64_t MTimeNs = 0;    // when the file was last written, as read
  uint64_t HeadHash = 0;  // of the first 64 KiB read (all when fewer)
  uint64_t TailHash = 0;  // of the last 4 KiB read (all when fewer)
  // Of kLogSamples pieces of kLogSampleBytes spread evenly over what was read
  // (none when it is shorter than the head and the tail together).
  uint64_t SampleHash = 0;
};
inline constexpr int kLogSamples = 256;
inline constexpr long long kLogSampleBytes = 4096;

// Whether `now` is the log `stored` was read from, its bytes read then
// unchanged as far as the hashes see: the same file, the head, the tail and
// the samples hashed alike.
bool SameLogContent(const LogIdentity& stored, const LogIdentity& now);

// The log at `path` as it stands, its first `bytes` bytes hashed. Throws
// qorn::Error when it cannot be read.
LogIdentity IdentifyLog(const std::string& path, long long bytes);

// What the stored parse holds of its log, kept in ParseState.
struct StoredLog {
  LogIdentity Log;
  std::string CharName;
  ParseEnd End;             // the parser's state where it stopped
  int64_t NextRecNum = 0;   // of the next damage row
  int64_t NextCastNum = 0;  // of the next cast row
};

void WriteStoredLog(Database& db, const StoredLog& stored);
// None when the stored parse was not read from a log this way (or the state
// is not whole).
std::optional<StoredLog> ReadStoredLog(Database& db);

// Whether any of `texts` stands in the first `bytes` bytes of the log.
bool LogHoldsAnyOf(const std::string& path, long long bytes, const std::vector<std::string>& texts);

}  // namespace qorn
