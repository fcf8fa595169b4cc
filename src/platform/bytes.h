#pragma once

// Byte searches that the GNU C library gives at its own speed (vectorised)
// and other C libraries (Windows') lack; the same answers from a plain loop
// there.
#include <string.h>

#include <cstddef>

namespace qorn::platform {

// The last `byte` among the `count` bytes from `begin`, or null (memrchr).
inline const char* LastByte(const char* begin, char byte, size_t count) {
#ifdef __GLIBC__
  return static_cast<const char*>(::memrchr(begin, byte, count));
#else
  for (const char* at = begin + count; at != begin;) {
    if (*--at == byte) return at;
  }
  return nullptr;
#endif
}

// The first place of the `size` bytes of `needle` among the `count` bytes
// from `begin`, or null (memmem).
inline const char* FindBytes(const char* begin, size_t count, const char* needle, size_t size) {
#ifdef __GLIBC__
  return static_cast<const char*>(::memmem(begin, count, needle, size));
#else
  if (size == 0) return begin;
  for (const char* end = begin + count; static_cast<size_t>(end - begin) >= size; ++begin) {
    begin = static_cast<const char*>(::memchr(begin, needle[0], static_cast<size_t>(end - begin)));
    if (begin == nullptr || static_cast<size_t>(end - begin) < size) return nullptr;
    if (::memcmp(begin, needle, size) == 0) return begin;
  }
  return nullptr;
#endif
}

}  // namespace qorn::platform
