#pragma once

#include <cstdint>
#include <string_view>

namespace qorn {

// The 64-bit FNV-1a hash, a byte at a time (FnvStep) or of a whole text.
inline constexpr uint64_t kFnvBasis = 14695981039346656037ULL;
inline constexpr uint64_t kFnvPrime = 1099511628211ULL;

constexpr uint64_t FnvStep(uint64_t hash, char c) {
  return (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
}

constexpr uint64_t Fnv1a(std::string_view bytes) {
  uint64_t hash = kFnvBasis;
  for (char c : bytes) hash = FnvStep(hash, c);
  return hash;
}

}  // namespace qorn
