#pragma once

#include <string>
#include <vector>

#include "common/date_time.h"

namespace qorn::test {

// One ParseData row for a fixture; `second` counts from a fixed fight start.
struct FixtureRow {
  std::string mob;
  int second = 0;
  int dmg = 0;
  std::string type = "Dot";
  std::string src = "Splurt.";
  bool cpower = false;
  bool coa = false;
  bool inten = false;
};

// 4 Dec 2026 17:00:00, the time second 0 of a fixture stands for.
DateTime FixtureTime(int second);

// Creates the parse database at `path` and stores `rows` as RecNum 0.. in order.
void WriteParseRows(const std::string& path, const std::vector<FixtureRow>& rows);

// One cast record for a fixture.
struct FixtureCast {
  int second = 0;
  int code = 0;
  std::string spell;
};
void WriteCasts(const std::string& path, const std::vector<FixtureCast>& casts);

// Each row's EventNum and TickNum as "e/t", in RecNum order.
std::vector<std::string> EventsAndTicks(const std::string& path);

}  // namespace qorn::test
