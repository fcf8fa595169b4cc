#pragma once

#include <cstdint>
#include <string>

namespace qorn {

// Which log file a parse was read from, and how far: enough to tell a log
// that the game only appended to from one replaced, cut short or edited.
// Plain data, as the stored parse keeps it; LogFile makes it and compares a
// log with it.
struct LogIdentity {
  std::string Path;  // absolute
  uint64_t Device = 0;
  uint64_t Inode = 0;
  long long Bytes = 0;    // read from the start
  int64_t MTimeNs = 0;    // when the file was last written, as it was opened
  uint64_t HeadHash = 0;  // of the first kLogHeadBytes read (all when fewer)
  uint64_t TailHash = 0;  // of the last kLogTailBytes read (all when fewer)
  // Of kLogSamples pieces of kLogSampleBytes spread evenly between the head
  // and the tail (none when what was read is not longer than both together).
  uint64_t SampleHash = 0;
};
inline constexpr long long kLogHeadBytes = 64 << 10;
inline constexpr long long kLogTailBytes = 4 << 10;
inline constexpr int kLogSamples = 256;
inline constexpr long long kLogSampleBytes = 4096;

}  // namespace qorn
