#include "parse/record_buffers.h"

#include "platform/process.h"

namespace qorn::parse {

void AdviseHugePages(void* data, size_t bytes) { platform::AdviseHugePages(data, bytes); }

}  // namespace qorn::parse
