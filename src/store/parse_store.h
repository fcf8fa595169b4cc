#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/progress.h"
#include "parse/log_parser.h"
#include "store/event_builder.h"

namespace qorn {

class Database;
class DatabaseRebuild;

// Replaces the rows of ParseData and SpellCastResist with the parsed lists
// (crit marks false, event and tick numbers 0). The rows go into a new
// database file that takes the stored one's place whole, so that if anything
// fails the previous parse stays whole and qorn::Error says why. `progress`
// counts the stored records of each table.
void StoreParsedRecords(const std::string& databasePath, const ParseResult& parsed,
                        Progress& progress);
// The same in place, inside a transaction the caller holds on `db`.
void StoreParsedRecords(Database& db, const ParseResult& parsed, Progress& progress);

// Get Log's storing and event building in one: numbers the events and ticks
// of the parsed records and marks their crits in memory, then writes each
// row once, with its final numbers, into the new file of an opened `rebuild`
// (whose spell table decides the crits). `progress` follows the rows while
// events are cut, then the stored records.
NumberedParse StoreNewParse(DatabaseRebuild& rebuild, const ParseResult& parsed,
                            int16_t eventTimerSeconds, Progress& progress);

// Appends the records of lines appended to the log to the stored parse of
// `db` (inside the caller's transaction): damage rows from RecNum
// `firstRecNum` on with their crit marks, cast rows from `firstCast` on, the
// change a fizzle or interrupt makes to the last stored cast, and the rows'
// seconds. The fights are cut afterwards, from the mobs' seconds returned
// (none when the stored seconds were not current: the cut makes them again).
struct MobSeconds;
std::optional<std::vector<MobSeconds>> StoreAppendedParse(Database& db,
                                                          const AppendedParse& appended,
                                                          int64_t firstRecNum, int64_t firstCast,
                                                          Progress& progress);

// Empties the tables of the stored parse (the spell table stays).
void ClearParse(Database& db);

// The Jet statement that stores damage record i ("INSERT into ParseData values
// (...)") and cast record i; the functions above store the same rows through
// prepared statements.
std::string InsertDamageSql(size_t i, const DamageRec& rec);
std::string InsertCastSql(size_t i, const CastRec& rec);

}  // namespace qorn
