#pragma once

#include <string>

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

// The Jet statement that stores damage record i ("INSERT into ParseData values
// (...)") and cast record i; the functions above store the same rows through
// prepared statements.
std::string InsertDamageSql(size_t i, const DamageRec& rec);
std::string InsertCastSql(size_t i, const CastRec& rec);

}  // namespace qorn
