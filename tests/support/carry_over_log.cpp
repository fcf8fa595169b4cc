#include "support/carry_over_log.h"

#include <cstdio>

namespace qorn::test {

std::string CarryOverLog(std::vector<long long>* lineStarts) {
  const std::vector<std::string> messages = {
      "Gobaner says 'Following you, Master.'",
      "Quivering power pulses through your hands.",
      "You begin casting Splurt.",
      "a rat has taken 1 damage from your Splurt.",
      "Soandso`s pet's body fills with energy.",
      "Your spell fizzles!",
      "You begin casting Lifetap.",
      "Your spell is interrupted.",
      "Your spell fizzles!",
      "Vile energy flows through your veins.",
      "Gobaner bites a gnoll for 20 points of damage.",
      "Soandso`s pet hits a gnoll for 30 points of damage.",
      "Your mind sharpens and strength flows into your body.",
      "Soandso hit a gnoll for 1200 points of non-melee damage.",
      "The power fades away.",
      "Soandso`s pet's body fills with energy.",
      "Your target resisted the Splurt spell.",
      "You have been slain by a rat!",
      "Your spell is interrupted.",
      "Soandso`s pet's body fills with energy.",
      "a gnoll has taken 5 damage from your Splurt.",
      "Gobaner hit a gnoll for 33 points of non-melee damage.",
      "Vile energy flows through your veins.",
      "You hit a gnoll for 7 points of magic damage by Splurt.",
      "The vile power fades.",
      "Quivering power pulses through your hands.",
      "Your intensity fades.",
      "Your Splurt spell is interrupted.",
      "You begin casting Splurt.",
      "Soandso`s pet's body fills with energy.",
      "Gobaner bites a rat for 2 points of damage.",
  };
  std::string log = "\xEF\xBB\xBF";
  for (size_t i = 0; i < messages.size(); ++i) {
    if (lineStarts != nullptr) lineStarts->push_back(static_cast<long long>(log.size()));
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "[Fri Dec 04 17:%02zu:44 2026] ", i);
    log += stamp + messages[i];
    if (i + 1 < messages.size()) log += i % 3 == 0 ? "\r\n" : "\n";
  }
  return log;
}

}  // namespace qorn::test
