#include "bench_util.h"

#include <sys/resource.h>

#include <filesystem>

namespace qorn::bench {

double PeakRssMiB() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double FileSizeMB(const std::string& path) {
  return static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

}  // namespace qorn::bench
