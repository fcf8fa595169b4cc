#include "parse/record_buffers.h"

#include <sys/mman.h>

#include <cstdint>

namespace qorn::parse {

void AdviseHugePages(void* data, size_t bytes) {
  constexpr uintptr_t kHuge = 2 << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace qorn::parse
