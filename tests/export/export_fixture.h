#pragma once

// The fights the export tests write, and their golden files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/progress.h"
#include "store/stored_fights.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn::test {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Compares with a file of tests/export/golden; QORN_UPDATE_GOLDEN=1 rewrites it.
inline void ExpectGolden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(QORN_SOURCE_DIR) + "/tests/export/golden/" + name;
  if (std::getenv("QORN_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  EXPECT_EQ(actual, ReadFile(path)) << "differs from " << path;
}

// Event 1, a gnoll: three DoT spells, a pet and a swarm pet, direct damage,
// a tick without hits (seconds 14 to 19), Intensity on one of tick 2's hits.
// Event 2, a rat of a name past ASCII, fought within one second.
inline std::vector<FixtureRow> TwoFights() {
  return {
      {"a gnoll", 0, 120, "Pet", "Gobekn"},
      {"a gnoll", 2, 312, "Dot", "Splurt."},
      {"A gnoll", 2, 1200, "Dot", "Dread Pyre.", true},
      {"a gnoll", 3, 1500, "DD", "Ignite Bones."},
      {"a gnoll", 4, 77, "Epic/Swarm", "a shadowy blade"},
      {"a gnoll", 8, 312, "Dot", "Splurt.", false, false, true},
      {"A gnoll", 8, 1200, "Dot", "Dread Pyre."},
      {"a gnoll", 9, 45, "Pet", "Gobekn"},
      {"a gnoll", 10, 5, "Dot", "Chaos Venom."},
      {"a gnoll", 20, 624, "Dot", "Splurt.", false, true},
      {"a gnoll", 21, 1234, "DD", "Ignite Bones."},
      {"a r\xC3\xA4t", 100, 300, "Dot", "Splurt."},
      {"a r\xC3\xA4t", 100, 200, "Pet", "Gobekn"},
  };
}

// The parse database in `dir` holding `rows`, cut into fights.
inline std::string FightDatabase(const TempDir& dir, const std::vector<FixtureRow>& rows) {
  const std::string db = dir.File("QornDB.mdb");
  WriteParseRows(db, rows);
  NullProgress progress;
  RenumberStoredParse(db, 18, progress);
  return db;
}

}  // namespace qorn::test
