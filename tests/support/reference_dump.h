#pragma once

#include <string>

#include "parse/records.h"
#include "store/event_overview.h"

namespace qorn {
class Database;
}

namespace qorn::test {

// Reference results of Get Log and Get Previous, kept as text files under
// tests/fixtures/reference. A case is a parse (the records as the parser gave
// them) and what the stored tables and the overview held after the commands.

// The damage and cast records as tab-separated text; times with every digit.
std::string WriteRecords(const ParseResult& parsed);
ParseResult ReadRecords(const std::string& text);

// Every row of a table in RecNum order, each value with its storage class
// (i:, r:, t:, n) so that a number stored as text or a real shows.
std::string DumpTable(const std::string& databasePath, const std::string& table);
std::string DumpOverview(const Overview& overview);
// The per-second sums (each mob's line and its pieces, as bytes), the key of
// every row, and the note that says the sums are current.
std::string DumpSums(Database& db);

// The sections of an expected file: the tables after Get Log with timer 18,
// its overview, then the numbers and overview after Get Previous with timer 30.
struct ReferenceResult {
  std::string parseData;
  std::string spellCastResist;
  std::string spellDat;
  std::string overview18;
  std::string parseData30;
  std::string overview30;
};
std::string WriteReference(const ReferenceResult& result);
ReferenceResult ReadReference(const std::string& text);

std::string ReadFile(const std::string& path);
// The first line where two texts differ, both sides, for a failure message.
std::string FirstDifference(const std::string& want, const std::string& got);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace qorn::test
