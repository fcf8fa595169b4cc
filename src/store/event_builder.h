#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/progress.h"

namespace qorn {

class Database;

// One spell of the spell table: its normal damage per tick and mana cost.
struct SpellDatRec {
  std::string Spell;
  int32_t Dmg = 0;
  int32_t Mana = 0;
};

struct EventBuildResult {
  std::vector<SpellDatRec> SpellDatRecs;  // in the table's order
  int32_t EventCount = 0;                 // the highest event number given out
};

inline constexpr int kTickSeconds = 6;
inline constexpr int16_t kDefaultEventTimerSeconds = 18;

// Marks the critical DoT ticks (at least twice the spell's normal tick), cuts
// the stored rows into events by mob and quiet gap (`eventTimerSeconds`), and
// numbers the six-second ticks of each event. Works on all rows of ParseData
// in one transaction. `progress` follows the rows while events are cut.
EventBuildResult BuildEvents(const std::string& databasePath, int16_t eventTimerSeconds,
                             Progress& progress);
// The same inside a transaction the caller holds on `db`.
EventBuildResult BuildEvents(Database& db, int16_t eventTimerSeconds, Progress& progress);

// Text order of the database's text columns: byte by byte with ASCII letters
// folded to lower case, a shorter text first when it is the other's start.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace qorn
