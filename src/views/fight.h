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

// Opens the parse database for a view. Unlike opening it for a command, a
// missing file is an error: a view never creates an empty database.
Database OpenForView(const std::string& databasePath);

}  // namespace qorn
