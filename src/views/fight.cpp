#include "views/fight.h"

#include "common/date_time.h"
#include "common/error.h"
#include "store/database.h"
#include "store/database_file.h"
#include "store/event_rows.h"

namespace qorn {

namespace {

void RequireViewable(const std::string& databasePath) {
  const DatabaseHealth health = CheckDatabaseForViews(databasePath);
  if (health.state == DatabaseHealth::State::kMissing) {
    throw Error("The parse database " + databasePath +
                " is missing. Run Get Log to read a log into it.");
  }
  if (health.state == DatabaseHealth::State::kDamaged) {
    throw Error(DamagedDatabaseMessage(databasePath, health), health.detail);
  }
}

// The widest gap between two rows of one fight: the largest event timer.
constexpr double kLongestGapSeconds = 32000;

}  // namespace

Database OpenForView(const std::string& databasePath) {
  RequireViewable(databasePath);
  return Database(databasePath, OpenMode::kReadOnly);
}

Database OpenForViewToWrite(const std::string& databasePath) {
  RequireViewable(databasePath);
  return Database(databasePath, OpenMode::kExisting);
}

int32_t FightTicks(Database& db, int32_t eventNum) {
  Statement bounds(db,
                   "SELECT count(*), min(Dmg), max(Dmg), min(TickNum), max(TickNum), min(DTime), "
                   "max(DTime) FROM ParseData WHERE EventNum = ?");
  bounds.Bind(1, static_cast<int64_t>(eventNum));
  if (!bounds.Step() || bounds.ColumnInt(0) == 0) return 0;
  const auto rows = static_cast<double>(bounds.ColumnInt(0));
  if (!PossibleDamage(bounds.ColumnInt(1)) || !PossibleDamage(bounds.ColumnInt(2))) {
    FailImpossibleNumber(db.Path(), "a damage of fight " + std::to_string(eventNum) +
                                        " is larger than any log gives");
  }
  // Compared as reals: a hand-edited value may be any number.
  const double span = (bounds.ColumnDouble(6) - bounds.ColumnDouble(5)) * 86400.0;
  if (!(span >= 0 && span <= rows * kLongestGapSeconds)) {
    FailImpossibleNumber(db.Path(), "the times of fight " + std::to_string(eventNum) +
                                        " lie further apart than its rows can");
  }
  // The numbering counts ticks from 1 at the fight's first row (shifting
  // rows before the first DoT tick up): no tick lies below 0 (0: no tick),
  // nor further than the fight's seconds from tick 1.
  const double reach = span / kTickSeconds + 2;
  const double low = bounds.ColumnDouble(3), high = bounds.ColumnDouble(4);
  if (low < 0 || high > reach) {
    FailImpossibleNumber(db.Path(), "a tick of fight " + std::to_string(eventNum) +
                                        " lies outside the fight's seconds");
  }
  return high < 1 ? 0 : static_cast<int32_t>(high);
}

std::optional<std::vector<TickSum>> SumPerTick(Database& db, int32_t eventNum, int32_t ticks,
                                               const char* rows, size_t columns) {
  std::vector<TickSum> sums(static_cast<size_t>(ticks) + 1);
  Statement read(db, rows);
  read.Bind(1, static_cast<int64_t>(eventNum));
  while (read.Step()) {
    if (!read.ColumnIsInteger(0) || read.ColumnInt(0) < 0 || read.ColumnInt(0) > ticks) {
      return std::nullopt;
    }
    TickSum& tick = sums[static_cast<size_t>(read.ColumnInt(0))];
    if (!tick.Rows) {
      tick.Rows = true;
      tick.Sums.resize(columns);
    }
    for (size_t c = 0; c < columns; ++c) {
      const int column = static_cast<int>(c) + 1;
      if (read.ColumnIsNull(column)) continue;
      int64_t sum = 0;
      if (!read.ColumnIsInteger(column) ||
          __builtin_add_overflow(tick.Sums[c].value_or(0), read.ColumnInt(column), &sum)) {
        return std::nullopt;
      }
      tick.Sums[c] = sum;
    }
  }
  return sums;
}

}  // namespace qorn
