#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qorn::bench {

// Peak resident memory of this process so far, in MiB.
double PeakRssMiB();

double FileSizeMB(const std::string& path);

// The fight of a stored parse with the most rows, or with `dmgType` the most
// rows of that type; ties go to the lower event number. EventNum is 0 when
// the parse has no fight.
struct FightSize {
  int32_t EventNum = 0;
  long long Rows = 0;          // of dmgType, when given
  long long Ticks = 0;         // its highest tick number
  double First = 0, Last = 0;  // its first and last hit (DateTime)
  long long DotSources = 0;    // distinct DoT sources
};
FightSize LargestFight(const std::string& db, const std::string& dmgType = {});

// "min ... ms  median ... ms  max ... ms" of some timings in milliseconds.
std::string MinMedianMax(std::vector<double> ms);

class Stopwatch;

// Runs `list` (which returns the lines of a list) `runs` times and prints
// how many lines it made and the min, median and max milliseconds.
template <typename List>
void TimeList(const char* what, int runs, List&& list);

class Stopwatch {
 public:
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  void Restart() { start_ = std::chrono::steady_clock::now(); }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

template <typename List>
void TimeList(const char* what, int runs, List&& list) {
  std::vector<double> ms;
  size_t lines = 0;
  for (int run = 0; run < runs; ++run) {
    Stopwatch watch;
    lines = list().size();
    ms.push_back(watch.Seconds() * 1000);
  }
  std::printf("  %-24s %7zu lines  %s\n", what, lines, MinMedianMax(ms).c_str());
}

}  // namespace qorn::bench
