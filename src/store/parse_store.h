#pragma once

#include <string>

#include "common/progress.h"
#include "parse/log_parser.h"

namespace qorn {

class Database;

// Replaces the rows of ParseData and SpellCastResist with the parsed lists,
// in one transaction: if anything fails, the previous parse stays whole and
// qorn::Error says why. `progress` counts the stored records of each table.
void StoreParsedRecords(const std::string& databasePath, const ParseResult& parsed,
                        Progress& progress);
// The same inside a transaction the caller holds on `db`.
void StoreParsedRecords(Database& db, const ParseResult& parsed, Progress& progress);

// The Jet statement that stores damage record i ("INSERT into ParseData values
// (...)") and cast record i; StoreParsedRecords stores the same rows through
// prepared statements.
std::string InsertDamageSql(size_t i, const DamageRec& rec);
std::string InsertCastSql(size_t i, const CastRec& rec);

}  // namespace qorn
