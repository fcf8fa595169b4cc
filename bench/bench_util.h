#pragma once

#include <chrono>
#include <string>

namespace qorn::bench {

// Peak resident memory of this process so far, in MiB.
double PeakRssMiB();

double FileSizeMB(const std::string& path);

class Stopwatch {
 public:
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  void Restart() { start_ = std::chrono::steady_clock::now(); }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace qorn::bench
