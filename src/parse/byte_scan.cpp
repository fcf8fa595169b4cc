#include "parse/byte_scan.h"

#include "parse/line_end.h"
#include "platform/bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QORN_SCAN_AVX2 1
#endif

namespace qorn {
namespace {

// A needle as the scans filter it: on its first byte, the byte at `anchor`
// and a third (the last, or the middle one when the anchor is the last).
struct Filter {
  explicit Filter(Needle needle) : text(needle.text) {
    const size_t n = text.size();
    anchor = needle.anchor == 0 || needle.anchor >= n ? n - 1 : needle.anchor;
    third = anchor == n - 1 ? n / 2 : n - 1;
  }
  // Whether the needle stands at p, where its first byte is known to.
  bool WholeAt(const char* p) const {
    return std::memcmp(p + 1, text.data() + 1, text.size() - 1) == 0;
  }
  std::string_view text;
  size_t anchor;
  size_t third;
};

#if defined(QORN_SCAN_AVX2)

// Whether a scan of `width` runs 32 bytes at a time.
bool Wide(ScanWidth width) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return width != ScanWidth::k16 && avx2;
}

#define QORN_AVX2_FUNCTION __attribute__((target("avx2")))

// The first place from `p` up to `stop` where one of `filters` stands whole,
// 32 candidate starts at a time, the last 32 where fewer are left (the starts
// compared twice hold no hit); `stop` where there is none. Needs 32 candidate
// starts at least, and each needle whole behind the last one.
template <size_t N>
QORN_AVX2_FUNCTION const char* FindAnyWide(const char* p, const char* stop,
                                           const Filter (&filters)[N]) {
  __m256i first[N], second[N], third[N];
  for (size_t k = 0; k < N; ++k) {
    first[k] = _mm256_set1_epi8(filters[k].text.front());
    second[k] = _mm256_set1_epi8(filters[k].text[filters[k].anchor]);
    third[k] = _mm256_set1_epi8(filters[k].text[filters[k].third]);
  }
  for (;;) {
    if (p + 32 > stop) p = stop - 32;
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    uint32_t masks[N];
    uint32_t any = 0;
    for (size_t k = 0; k < N; ++k) {
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + filters[k].anchor));
      const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + filters[k].third));
      masks[k] = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(
          _mm256_and_si256(_mm256_cmpeq_epi8(a, first[k]), _mm256_cmpeq_epi8(b, second[k])),
          _mm256_cmpeq_epi8(c, third[k]))));
      any |= masks[k];
    }
    for (; any != 0; any &= any - 1) {
      const int bit = __builtin_ctz(any);
      for (size_t k = 0; k < N; ++k) {
        if ((masks[k] >> bit & 1) != 0 && filters[k].WholeAt(p + bit)) return p + bit;
      }
    }
    p += 32;
    if (p >= stop) return stop;
  }
}

// CountLineEnds 32 bytes at a time while 33 can be read; returns where the
// narrower count goes on.
QORN_AVX2_FUNCTION const char* CountLineEndsWide(const char* p, const char* end, LineEnds& ends) {
  const __m256i lf = _mm256_set1_epi8('\n');
  const __m256i cr = _mm256_set1_epi8('\r');
  while (p + 33 <= end) {
    __m256i feeds = _mm256_setzero_si256();
    __m256i lone = _mm256_setzero_si256();
    for (int k = 0; k < 255 && p + 33 <= end; ++k, p += 32) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      const __m256i behind = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
      feeds = _mm256_sub_epi8(feeds, _mm256_cmpeq_epi8(v, lf));
      lone = _mm256_sub_epi8(
          lone, _mm256_andnot_si256(_mm256_cmpeq_epi8(behind, lf), _mm256_cmpeq_epi8(v, cr)));
    }
    auto sum = [](__m256i counters) QORN_AVX2_FUNCTION {
      const __m256i sums = _mm256_sad_epu8(counters, _mm256_setzero_si256());
      return _mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
             _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3);
    };
    ends.Feeds += sum(feeds);
    ends.LoneReturns += sum(lone);
  }
  return p;
}

template <typename... Bytes>
QORN_AVX2_FUNCTION void MatchAny64Wide(const char* p, size_t steps, uint64_t* bits,
                                       Bytes... bytes) {
  for (size_t step = 0; step < steps; ++step, p += 64) {
    uint64_t found = 0;
    for (int k = 0; k < 2; ++k) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
      __m256i any = _mm256_setzero_si256();
      ((any = _mm256_or_si256(any, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(bytes)))), ...);
      found |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(any))) << (32 * k);
    }
    bits[step] = found;
  }
}

#undef QORN_AVX2_FUNCTION

#endif

#if defined(__SSE2__)

template <typename... Bytes>
void MatchAny64Narrow(const char* p, size_t steps, uint64_t* bits, Bytes... bytes) {
  for (size_t step = 0; step < steps; ++step, p += 64) {
    uint64_t found = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      __m128i any = _mm_setzero_si128();
      ((any = _mm_or_si128(any, _mm_cmpeq_epi8(v, _mm_set1_epi8(bytes)))), ...);
      found |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(any))) << (16 * k);
    }
    bits[step] = found;
  }
}

#else

template <typename... Bytes>
void MatchAny64Narrow(const char* p, size_t steps, uint64_t* bits, Bytes... bytes) {
  for (size_t step = 0; step < steps; ++step, p += 64) {
    uint64_t found = 0;
    for (int i = 0; i < 64; ++i) found |= static_cast<uint64_t>(((p[i] == bytes) || ...)) << i;
    bits[step] = found;
  }
}

#endif

// Match64 for any number of bytes to match.
template <typename... Bytes>
void MatchAny64(ScanWidth width, const char* p, size_t steps, uint64_t* bits, Bytes... bytes) {
#if defined(QORN_SCAN_AVX2)
  if (Wide(width)) return MatchAny64Wide(p, steps, bits, bytes...);
#else
  (void)width;
#endif
  MatchAny64Narrow(p, steps, bits, bytes...);
}

}  // namespace

#if defined(__SSE2__)

namespace {

// FindAnyWide 16 candidate starts at a time.
template <size_t N>
const char* FindAnyNarrow(const char* p, const char* stop, const Filter (&filters)[N]) {
  __m128i first[N], second[N], third[N];
  for (size_t k = 0; k < N; ++k) {
    first[k] = _mm_set1_epi8(filters[k].text.front());
    second[k] = _mm_set1_epi8(filters[k].text[filters[k].anchor]);
    third[k] = _mm_set1_epi8(filters[k].text[filters[k].third]);
  }
  for (;;) {
    if (p + 16 > stop) p = stop - 16;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned masks[N];
    unsigned any = 0;
    for (size_t k = 0; k < N; ++k) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + filters[k].anchor));
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + filters[k].third));
      masks[k] = static_cast<unsigned>(_mm_movemask_epi8(
          _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, first[k]), _mm_cmpeq_epi8(b, second[k])),
                        _mm_cmpeq_epi8(c, third[k]))));
      any |= masks[k];
    }
    for (; any != 0; any &= any - 1) {
      const int bit = __builtin_ctz(any);
      for (size_t k = 0; k < N; ++k) {
        if ((masks[k] >> bit & 1) != 0 && filters[k].WholeAt(p + bit)) return p + bit;
      }
    }
    p += 16;
    if (p >= stop) return stop;
  }
}

// The first place in [begin, end) where one of `filters` stands whole, or
// end. The starts where the longest needle fits are compared many at a time,
// the few behind them one by one.
template <size_t N>
const char* FindAny(const char* begin, const char* end, const Filter (&filters)[N],
                    ScanWidth width) {
  size_t longest = 0;
  for (const Filter& filter : filters) longest = std::max(longest, filter.text.size());
  const char* p = begin;
  const char* const stop = static_cast<size_t>(end - begin) >= longest ? end - longest + 1 : begin;
#if defined(QORN_SCAN_AVX2)
  const bool wide = Wide(width) && stop - p >= 32;
#else
  (void)width;
  const bool wide = false;
#endif
  if (wide || stop - p >= 16) {
#if defined(QORN_SCAN_AVX2)
    const char* hit = wide ? FindAnyWide(p, stop, filters) : FindAnyNarrow(p, stop, filters);
#else
    const char* hit = FindAnyNarrow(p, stop, filters);
#endif
    if (hit != stop) return hit;
    p = stop;
  }
  // The starts left, where the needles shorter than the longest still fit,
  // or all of them in a short text: the first hit of each, and the first of
  // those.
  const char* first = end;
  for (const Filter& filter : filters) {
    if (static_cast<size_t>(end - p) < filter.text.size()) continue;
    const char* const last = end - filter.text.size();
    for (const char* q = p; q <= last && q < first; ++q) {
      if (*q == filter.text.front() && filter.WholeAt(q)) {
        first = q;
        break;
      }
    }
  }
  return first;
}

}  // namespace

const char* FindText(const char* begin, const char* end, std::string_view needle, size_t anchor,
                     ScanWidth width) {
  const Filter filters[] = {Filter({needle, anchor})};
  return FindAny(begin, end, filters, width);
}

const char* FindEither(const char* begin, const char* end, Needle a, Needle b, ScanWidth width) {
  const Filter filters[] = {Filter(a), Filter(b)};
  return FindAny(begin, end, filters, width);
}

LineEnds CountLineEnds(const char* begin, const char* end, ScanWidth width) {
  LineEnds ends;
  const char* p = begin;
#if defined(QORN_SCAN_AVX2)
  if (Wide(width)) p = CountLineEndsWide(p, end, ends);
#else
  (void)width;
#endif
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  // Byte counters (a match subtracts -1) summed before any of them can
  // overflow. A carriage return is lone where the byte behind it is no line
  // feed, so each 16 bytes are compared with the 16 one byte on too.
  while (p + 17 <= end) {
    __m128i feeds = _mm_setzero_si128();
    __m128i lone = _mm_setzero_si128();
    for (int k = 0; k < 255 && p + 17 <= end; ++k, p += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i behind = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
      feeds = _mm_sub_epi8(feeds, _mm_cmpeq_epi8(v, lf));
      lone =
          _mm_sub_epi8(lone, _mm_andnot_si128(_mm_cmpeq_epi8(behind, lf), _mm_cmpeq_epi8(v, cr)));
    }
    auto sum = [](__m128i counters) {
      const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
      return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    };
    ends.Feeds += sum(feeds);
    ends.LoneReturns += sum(lone);
  }
  for (; p < end; ++p) {
    if (EndsLineAt(p, end)) ++(*p == '\n' ? ends.Feeds : ends.LoneReturns);
  }
  return ends;
}

#else

const char* FindText(const char* begin, const char* end, std::string_view needle, size_t,
                     ScanWidth) {
  const char* hit =
      platform::FindBytes(begin, static_cast<size_t>(end - begin), needle.data(), needle.size());
  return hit ? hit : end;
}

const char* FindEither(const char* begin, const char* end, Needle a, Needle b, ScanWidth width) {
  return std::min(FindText(begin, end, a.text, 0, width), FindText(begin, end, b.text, 0, width));
}

LineEnds CountLineEnds(const char* begin, const char* end, ScanWidth) {
  LineEnds ends;
  for (const char* p = begin; p < end; ++p) {
    if (EndsLineAt(p, end)) ++(*p == '\n' ? ends.Feeds : ends.LoneReturns);
  }
  return ends;
}

#endif

void Match64(const char* p, size_t steps, uint64_t* bits, char a, char b, char c, ScanWidth width) {
  MatchAny64(width, p, steps, bits, a, b, c);
}

void Match64(const char* p, size_t steps, uint64_t* bits, char a, char b, char c, char d,
             ScanWidth width) {
  MatchAny64(width, p, steps, bits, a, b, c, d);
}

}  // namespace qorn
