#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/progress.h"
#include "store/event_overview.h"
#include "store/event_rows.h"

namespace qorn {

class Database;
class DatabaseRebuild;

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

inline constexpr int16_t kDefaultEventTimerSeconds = 18;

// Marks the critical DoT ticks (at least twice the spell's normal tick), cuts
// the stored rows into events by mob and quiet gap (`eventTimerSeconds`), and
// numbers the six-second ticks of each event. The rows are written with their
// new numbers into a new database file that then takes the stored one's
// place whole, so a failure leaves the stored parse as it was. A damaged
// database is moved aside, and qorn::Error says so. `progress` follows the
// rows while events are cut.
EventBuildResult BuildEvents(const std::string& databasePath, int16_t eventTimerSeconds,
                             Progress& progress);
// The same in place, inside a transaction the caller holds on `db`.
EventBuildResult BuildEvents(Database& db, int16_t eventTimerSeconds, Progress& progress);

// The spell table, in the order the table returns its rows.
std::vector<SpellDatRec> LoadSpellTable(Database& db);

// A parse with its events numbered and its overview, written into the new
// file of a rebuild.
struct NumberedParse {
  EventBuildResult Events;
  Overview EventList;
};

// Event building for Get Previous: reads the stored rows of an opened
// `rebuild`, numbers them, makes the overview, and copies every row into the
// new file with its crit mark and its new numbers, and the cast rows as they
// are; when no row's numbers or crit mark change and the stored file is as a
// copy would make it, copies nothing and keeps the stored file
// (DatabaseRebuild::KeepStored). A damaged stored file is moved aside, and
// then qorn::Error says so.
NumberedParse RenumberStoredParse(DatabaseRebuild& rebuild, int16_t eventTimerSeconds,
                                  Progress& progress);

}  // namespace qorn
