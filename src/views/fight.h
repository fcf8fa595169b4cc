#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qorn {

class Database;

// One line of a list: its cell texts from the first column on. A line may
// hold fewer cells than the list has columns; the rest stay blank.
using ListRow = std::vector<std::string>;

// A fight as the overview shows it: its event number and its mob.
struct Fight {
  int32_t EventNum = 0;
  std::string Mob;
};

// Opens the parse database read-only for a view. Unlike opening it for a
// command, a missing file is an error (a view never creates an empty
// database), and so is a damaged one: not a file, empty, not a database, or
// without a table, saved query or column the views read.
Database OpenForView(const std::string& databasePath);
// The same open for reading and writing, for the one view that stores what
// it works out (the HTML graph stores each row's colour).
Database OpenForViewToWrite(const std::string& databasePath);

// The ticks a graph of fight `eventNum` draws: its highest stored tick, 0
// when the fight has no row in tick 1 or later. Throws qorn::Error calling
// the file damaged when a row of the fight holds a number no log can give:
// a damage beyond 32 bits, a tick below 0 or beyond what the fight's seconds
// hold, or seconds beyond what its rows can span. What a view allocates per
// tick is so bounded by the fight, and its sums cannot overflow.
int32_t FightTicks(Database& db, int32_t eventNum);

}  // namespace qorn
