#include "parse/byte_scan.h"

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

#if defined(QORN_SCAN_AVX2)

// Whether a scan of `width` runs 32 bytes at a time.
bool Wide(ScanWidth width) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return width != ScanWidth::k16 && avx2;
}

#define QORN_AVX2_FUNCTION __attribute__((target("avx2")))

// The first hit of FindText's filter among the candidate starts from `p`
// up to `stop`, 32 at a time, the last 32 where fewer are left (the starts
// already checked hold no hit): `stop`, where there is none. Needs 32
// candidate starts at least.
QORN_AVX2_FUNCTION const char* FindTextWide(const char* p, const char* stop,
                                            std::string_view needle, size_t anchor, size_t third) {
  const __m256i first = _mm256_set1_epi8(needle.front());
  const __m256i second = _mm256_set1_epi8(needle[anchor]);
  const __m256i last = _mm256_set1_epi8(needle[third]);
  const size_t n = needle.size();
  for (;;) {
    if (p + 32 > stop) p = stop - 32;
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + anchor));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + third));
    auto mask = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(
        _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, second)),
        _mm256_cmpeq_epi8(c, last))));
    while (mask != 0) {
      const int bit = __builtin_ctz(mask);
      if (std::memcmp(p + bit + 1, needle.data() + 1, n - 1) == 0) return p + bit;
      mask &= mask - 1;
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
QORN_AVX2_FUNCTION uint64_t MatchAny64Wide(const char* p, Bytes... bytes) {
  uint64_t bits = 0;
  for (int k = 0; k < 2; ++k) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
    __m256i any = _mm256_setzero_si256();
    ((any = _mm256_or_si256(any, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(bytes)))), ...);
    bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(any))) << (32 * k);
  }
  return bits;
}

#undef QORN_AVX2_FUNCTION

#endif

#if defined(__SSE2__)

template <typename... Bytes>
uint64_t MatchAny64Narrow(const char* p, Bytes... bytes) {
  uint64_t bits = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    __m128i any = _mm_setzero_si128();
    ((any = _mm_or_si128(any, _mm_cmpeq_epi8(v, _mm_set1_epi8(bytes)))), ...);
    bits |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(any))) << (16 * k);
  }
  return bits;
}

#else

template <typename... Bytes>
uint64_t MatchAny64Narrow(const char* p, Bytes... bytes) {
  uint64_t bits = 0;
  for (int i = 0; i < 64; ++i) bits |= static_cast<uint64_t>(((p[i] == bytes) || ...)) << i;
  return bits;
}

#endif

// Bit i is set when p[i] is one of `bytes`, for the 64 bytes at p.
template <typename... Bytes>
uint64_t MatchAny64(ScanWidth width, const char* p, Bytes... bytes) {
#if defined(QORN_SCAN_AVX2)
  if (Wide(width)) return MatchAny64Wide(p, bytes...);
#else
  (void)width;
#endif
  return MatchAny64Narrow(p, bytes...);
}

}  // namespace

#if defined(__SSE2__)

const char* FindText(const char* begin, const char* end, std::string_view needle, size_t anchor,
                     ScanWidth width) {
  const size_t n = needle.size();
  if (static_cast<size_t>(end - begin) < n) return end;
  if (anchor == 0 || anchor >= n) anchor = n - 1;
  // A third byte: the last, or the middle one when the anchor is the last.
  const size_t third = anchor == n - 1 ? n / 2 : n - 1;
  const char* p = begin;
  const char* const stop = end - n + 1;  // one past the last possible start
#if defined(QORN_SCAN_AVX2)
  if (Wide(width) && stop - p >= 32) {
    const char* hit = FindTextWide(p, stop, needle, anchor, third);
    return hit == stop ? end : hit;
  }
#else
  (void)width;
#endif
  if (stop - p < 16) {
    for (; p < stop; ++p) {
      if (*p == needle.front() && std::memcmp(p, needle.data(), n) == 0) return p;
    }
    return end;
  }
  // Compare the needle's first, anchor and third bytes at once over 16
  // candidate starts; only where all agree is the whole needle compared. The
  // last 16 starts are compared where fewer are left: the ones compared
  // twice hold no hit.
  const __m128i first = _mm_set1_epi8(needle.front());
  const __m128i second = _mm_set1_epi8(needle[anchor]);
  const __m128i last = _mm_set1_epi8(needle[third]);
  for (;;) {
    if (p + 16 > stop) p = stop - 16;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + anchor));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + third));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second)),
                      _mm_cmpeq_epi8(c, last))));
    while (mask != 0) {
      const int bit = __builtin_ctz(mask);
      if (std::memcmp(p + bit + 1, needle.data() + 1, n - 1) == 0) return p + bit;
      mask &= mask - 1;
    }
    p += 16;
    if (p >= stop) return end;
  }
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
    ends.Feeds += *p == '\n';
    ends.LoneReturns += *p == '\r' && (p + 1 == end || p[1] != '\n');
  }
  return ends;
}

#else

const char* FindText(const char* begin, const char* end, std::string_view needle, size_t,
                     ScanWidth) {
  const void* hit = ::memmem(begin, static_cast<size_t>(end - begin), needle.data(), needle.size());
  return hit ? static_cast<const char*>(hit) : end;
}

LineEnds CountLineEnds(const char* begin, const char* end, ScanWidth) {
  LineEnds ends;
  for (const char* p = begin; p < end; ++p) {
    ends.Feeds += *p == '\n';
    ends.LoneReturns += *p == '\r' && (p + 1 == end || p[1] != '\n');
  }
  return ends;
}

#endif

uint64_t Match64(const char* p, char a, char b, char c, ScanWidth width) {
  return MatchAny64(width, p, a, b, c);
}

uint64_t Match64(const char* p, char a, char b, char c, char d, ScanWidth width) {
  return MatchAny64(width, p, a, b, c, d);
}

}  // namespace qorn
