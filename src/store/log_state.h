#pragma once

// What the stored parse remembers of the log it was read from. The store
// keeps it; only the commands look at the log itself (LogFile).
#include <cstdint>
#include <optional>
#include <string>

#include "parse/log_identity.h"
#include "parse/records.h"

namespace qorn {

class Database;

// What the stored parse holds of its log, kept in ParseState.
struct StoredLog {
  LogIdentity Log;
  std::string CharName;
  ParseEnd End;             // the parser's state where it stopped
  int64_t NextRecNum = 0;   // of the next damage row
  int64_t NextCastNum = 0;  // of the next cast row
};

void WriteStoredLog(Database& db, const StoredLog& stored);
// None when the stored parse was not read from a log this way (or the state
// is not whole).
std::optional<StoredLog> ReadStoredLog(Database& db);

}  // namespace qorn
