#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"

namespace qorn {

// The parse database file as the file system holds it: where it really is,
// whether it can be used, and how a new file takes its place.

// The file that `path` names: the target of a symbolic link (of a chain of
// them), else `path` itself. The target need not exist.
std::string ResolveDatabasePath(const std::string& path);

// What stands at the database path.
struct DatabaseHealth {
  enum class State { kMissing, kUsable, kDamaged };
  State state = State::kMissing;
  std::string detail;  // what is wrong with a damaged file, for the developer
  std::string reason;  // the same in the player's words
};

// Looks whether the file at `path` is a parse database the program can use:
// a file (not a folder), a database, with the tables and columns the program
// needs; with `quickCheck` also SQLite's quick check of every page. Throws
// qorn::Error when the file cannot be looked at for another reason (another
// program holds it, it cannot be read).
DatabaseHealth CheckDatabaseFile(const std::string& path, bool quickCheck);
// SQLite's quick check alone: empty when the file passes, else what it found.
std::string QuickCheckDatabaseFile(const std::string& path);

// CheckDatabaseFile for the lists, graphs and exports: also the saved queries
// they read (SortMobTime, DPS) with their columns. Never quick-checks.
DatabaseHealth CheckDatabaseForViews(const std::string& path);

// What the player reads about a damaged database at `path`: what is wrong
// and that Get Log makes a new one.
std::string DamagedDatabaseMessage(const std::string& path, const DatabaseHealth& health);

// A stored number no log can give (a damage beyond 32 bits, a tick the
// fight's seconds cannot reach, a row without a time), found in the database
// at `path` (may be empty): throws the damaged-database DatabaseError, `what`
// in its words.
[[noreturn]] void FailImpossibleNumber(const std::string& path, const std::string& what);

// Whether a stored damage is one a log can give: the parser reads 32-bit
// amounts. Sums of such damages cannot overflow 64 bits.
inline bool PossibleDamage(int64_t dmg) { return dmg >= INT32_MIN && dmg <= INT32_MAX; }

// Renames a damaged database (file or folder) to PATH.damaged-YYYYMMDD-hhmmss
// in the same folder, with its write-ahead log and journal, never deleting
// anything; returns the new name.
std::string MoveDamagedAside(const std::string& path);

// Throws qorn::Error when an existing file at `path` is read-only (no write
// permission bit, or no write access).
void RequireWritableDatabase(const std::string& path);

// A new file built under the name Temp.mdb in the folder of `target` and put
// in place of `target` whole, by one atomic rename. While it lives it holds a
// lock on Temp.mdb, so that two programs never build into the same file; a
// Temp.mdb left behind by a run that was killed is taken over. Unless put in
// place, the file is removed when the object goes.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::string& Path() const { return path_; }
  const std::string& Target() const { return target_; }

  // Writes the file through to the disk, gives it the permissions (and, run
  // as root, the owner) of the file it replaces, renames it over `target` and
  // writes the folder through; a write-ahead log or journal left beside
  // `target` by the file it replaces (or by none) is removed, so that the new
  // file never meets it. Nothing may have the file open. Throws
  // qorn::Error when a step fails; the target is then as it was.
  void Replace();

 private:
  // Whether the name Temp.mdb still leads to the file held open.
  bool StillNamed() const;
  void Remove();

  std::string target_;
  std::string path_;
  platform::File file_;
  bool replaced_ = false;
};

// Removes a Temp.mdb beside `target` that a run which was stopped left
// behind. Throws qorn::Error when another copy of the program is building
// into it now.
void RemoveLeftoverReplacement(const std::string& target);

}  // namespace qorn
