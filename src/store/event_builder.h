#pragma once

#include <cstdint>
#include <optional>
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

// The spell table, in the order the table returns its rows.
std::vector<SpellDatRec> LoadSpellTable(Database& db);

// A parse with its events numbered and its overview, written into the new
// file of a rebuild.
struct NumberedParse {
  EventBuildResult Events;
  Overview EventList;
};

// Event building for Get Previous on the stored file at `databasePath`:
// marks the crits the spell table calls new, cuts the fights from the mobs'
// summed seconds, and writes only what changed (nothing when the cut is the
// stored one), in one transaction. A file of an earlier version is copied once
// into a new file as the program makes them now. A damaged stored file is
// moved aside, and then qorn::Error says so.
// The overview keeps the fights' lines unless `keepOverview` is false (then
// only its EventCount is set, and the lines are read from the file).
NumberedParse RenumberStoredParse(const std::string& databasePath, int16_t eventTimerSeconds,
                                  Progress& progress, bool keepOverview = true);

// Marks the DoT ticks that the spell table calls critical and are not marked
// yet (any other mark stays); the rows are looked at only when the spell
// table differs from the one noted when the rows were stored.
void MarkNewCrits(Database& db, const std::vector<SpellDatRec>& spells);
// Notes that the stored rows carry the crit marks of `spells`.
void NoteCritSpells(Database& db, const std::vector<SpellDatRec>& spells);

// RenumberStoredParse's cut on an open database, inside a transaction the
// caller holds.
NumberedParse CutStoredFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                              bool keepOverview = true);

}  // namespace qorn
