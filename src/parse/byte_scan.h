#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qorn {

// Fast scans over a block of log text, 32 bytes at a time where the
// processor has AVX2, else 16 where SSE2 is there.

// Which instructions a scan uses: kWidest, the widest the processor has, but
// for tests, which check each width against the plain scans.
enum class ScanWidth { kWidest, k16, k32 };

// The first occurrence of `needle` (two bytes or more) in [begin, end), or end.
// Candidates are filtered on the needle's first byte, the byte at `anchor`
// (default: the last) and one more (the last, or the middle one); an anchor on
// a rare byte makes the scan faster.
const char* FindText(const char* begin, const char* end, std::string_view needle, size_t anchor = 0,
                     ScanWidth width = ScanWidth::kWidest);

// A text to look for and the byte of it that FindText filters on beside the
// first (0: the last).
struct Needle {
  std::string_view text;
  size_t anchor = 0;
};

// The first place in [begin, end) where `a` or `b` starts, or end: one scan
// for both, each filtered as FindText filters it.
const char* FindEither(const char* begin, const char* end, Needle a, Needle b,
                       ScanWidth width = ScanWidth::kWidest);

// The line ends of [begin, end) by the one line-end rule (EndsLineAt in
// line_end.h), counted 16 or 32 bytes at a time: line feeds, and carriage
// returns that no line feed follows, also one that is the last byte (the
// byte at `end` is not looked at).
struct LineEnds {
  long long Feeds = 0;
  long long LoneReturns = 0;
};
LineEnds CountLineEnds(const char* begin, const char* end, ScanWidth width = ScanWidth::kWidest);

// For `steps` steps of 64 bytes from p (which must all be readable): bit i
// of bits[step] is set when p[64 * step + i] is one of `a`, `b` and `c` (and
// `d`). Many steps in one call, as the call costs more than a step.
void Match64(const char* p, size_t steps, uint64_t* bits, char a, char b, char c,
             ScanWidth width = ScanWidth::kWidest);
void Match64(const char* p, size_t steps, uint64_t* bits, char a, char b, char c, char d,
             ScanWidth width = ScanWidth::kWidest);

}  // namespace qorn
