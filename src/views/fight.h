#pragma once

#include <cstdint>
#include <optional>
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

// The sums per tick of columns of fight `eventNum`'s rows, as "SELECT
// TickNum, sum(A), sum(B) ... FROM ParseData WHERE EventNum = e ... GROUP BY
// TickNum" gives them, summed a row at a time where the engine would sort the
// rows by their ticks first. `rows` selects TickNum and the columns, the
// fight's number bound to its parameter. By tick, 0 to `ticks` (FightTicks');
// a tick without rows has none, a column whose rows are all null no sum.
// None when a value is not a whole number or a tick lies outside (a file
// edited by hand): then the caller's SQL sums as the engine does.
struct TickSum {
  bool Rows = false;
  std::vector<std::optional<int64_t>> Sums;
};
std::optional<std::vector<TickSum>> SumPerTick(Database& db, int32_t eventNum, int32_t ticks,
                                               const char* rows, size_t columns);

}  // namespace qorn
